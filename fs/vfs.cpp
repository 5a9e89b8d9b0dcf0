// VFS core: the root, the walk lock, open/close with counts up the tree, and the operation
// wrappers that keep `pos` and `size` in step with what the filesystems report.
#include "fs/vfs.h"

#include <cstring>

namespace {

kiv_vfs_file_t root_dir;
kiv_sync_t vfs_lock;
bool initialised = false;

template <typename T>
T& frame_of(void* area) { return *static_cast<T*>(area); }

int start(kiv_area_handler_t fn, kiv_file_t* target, const void* block, uint16_t size) {
  int r = kiv_eda_call_param(fn, target, size, size, block);
  return r == KIV_EVT_RETURN ? KIV_ERR_NONE : r;
}

bool is_dir(const kiv_file_t* f) { return f->attr & KIV_FILE_ATTR_DIRECTORY; }

// The filesystem whose entries a directory holds: for a mount point, the grafted one.
kiv_file_t* holder_fs(kiv_file_t* dir) {
  return dir->mounted ? static_cast<kiv_file_t*>(reinterpret_cast<kiv_vfs_file_t*>(dir)->d1)->fsinfo : dir->fsinfo;
}
void count_open_up(kiv_file_t* f) {
  for (; f; f = f->parent) f->refcount++;
}

// ---- close: drop one count; a count that reaches zero closes and frees, then goes up --------
struct close_frame {
  kiv_file_t* cur;
};
enum { CLOSE_STEP = 0, CLOSE_WAIT = 1 };

void close_step(close_frame& f) {
  while (f.cur) {
    kiv_file_t* cur = f.cur;
    if (--cur->refcount > 0) {
      for (kiv_file_t* p = cur->parent; p; p = p->parent) p->refcount--;
      break;
    }
    kiv_eda_set_frame_state(CLOSE_WAIT);
    if (kiv_fs_call(cur->fsop->close, cur, nullptr, 0) == KIV_ERR_NONE) return;
    // The filesystem could not be asked: forget the object all the same.
    f.cur = cur->parent;
    kiv_file_free(cur);
  }
  kiv_eda_return(KIV_ERR_NONE);
}

void close_handler(void* area, kiv_evt_t evt) {
  auto& f = frame_of<close_frame>(area);
  if (evt == KIV_EVT_INIT && kiv_eda_get_frame_state() == CLOSE_STEP) {
    f.cur = kiv_fs_target(area);
    close_step(f);
  } else if (evt == KIV_EVT_RETURN && kiv_eda_get_frame_state() == CLOSE_WAIT) {
    kiv_file_t* parent = f.cur->parent;
    kiv_file_free(f.cur);
    f.cur = parent;
    close_step(f);
  }
}

// ---- open: the path walk, serialised by the VFS lock --------------------------------------
struct open_frame {
  const char* path;
  kiv_file_t** result;
  const char* cursor;
  kiv_file_t* cur;
  kiv_file_t* found;
  uint64_t seek_result;
  int error;
};
enum { OPEN_INIT = 0, OPEN_WAIT_LOCK, OPEN_LOOKUP, OPEN_SEEK, OPEN_FAIL_CLOSE };

void open_finish(open_frame& f, int code) {
  *f.result = code == KIV_ERR_NONE ? f.cur : nullptr;
  kiv_sync_increase(&vfs_lock);
  kiv_eda_return(code);
}

void open_fail(open_frame& f, int code) {
  f.error = code;
  kiv_eda_set_frame_state(OPEN_FAIL_CLOSE);
  kiv_file_t* cur = f.cur;
  f.cur = nullptr;
  if (start(close_handler, cur, nullptr, sizeof(close_frame)) != KIV_ERR_NONE) open_finish(f, code);
}

void open_lookup(open_frame& f, const char* name) {
  f.found = nullptr;
  kiv_eda_set_frame_state(OPEN_LOOKUP);
  kiv_fs_lookup_param_t p{name, &f.found};
  if (kiv_fs_call(f.cur->fsop->lookup, f.cur, &p, sizeof p) != KIV_ERR_NONE) open_fail(f, KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void open_walk(open_frame& f) {
  if (!f.path) return open_lookup(f, nullptr);
  for (;;) {
    if (*f.cursor == '\0') return open_finish(f, KIV_ERR_NONE);
    if (!kiv_file_is_separator(*f.cursor)) return open_lookup(f, f.cursor);
    // A trailing separator names the object itself; only a walk on below needs a directory.
    ++f.cursor;
    if (*f.cursor == '\0') return open_finish(f, KIV_ERR_NONE);
    if (!is_dir(f.cur)) return open_fail(f, KIV_ERR_INVALID_ACCESS);
  }
}

// The found object becomes the current one; a null path ends the walk with it.
void open_advance(open_frame& f) {
  f.cur = f.found;
  if (!f.path) return open_finish(f, KIV_ERR_NONE);
  f.cursor += std::strlen(f.cur->name);
  open_walk(f);
}

void open_found(open_frame& f) {
  if (!f.found) return open_fail(f, KIV_ERR_INVALID_PARAMETER);
  kiv_file_t* dir = f.cur;
  f.found->parent = dir;
  f.found->fsinfo = holder_fs(dir);
  f.found->refcount++;
  if (f.found->pos == 0) return open_advance(f);
  f.seek_result = 0;
  kiv_eda_set_frame_state(OPEN_SEEK);
  kiv_fs_setpos_param_t p{0, &f.seek_result};
  if (kiv_fs_call(f.found->fsop->setpos, f.found, &p, sizeof p) != KIV_ERR_NONE) {
    f.cur = f.found;
    open_fail(f, KIV_ERR_NOT_ENOUGH_RESOURCES);
  }
}

void open_handler(void* area, kiv_evt_t evt) {
  auto& f = frame_of<open_frame>(area);
  switch (kiv_eda_get_frame_state()) {
    case OPEN_INIT:
      if (evt != KIV_EVT_INIT) return;
      f.cur = kiv_fs_target(area);
      f.cursor = f.path;
      if (kiv_sync_decrease(&vfs_lock, -1) == KIV_ERR_NONE) return open_walk(f);
      kiv_eda_set_frame_state(OPEN_WAIT_LOCK);
      return;
    case OPEN_WAIT_LOCK:
      if (kiv_sync_wait_result(&vfs_lock, evt) == KIV_SYNC_GET) open_walk(f);
      return;
    case OPEN_LOOKUP:
      if (evt == KIV_EVT_RETURN) open_found(f);
      return;
    case OPEN_SEEK:
      if (evt != KIV_EVT_RETURN) return;
      if (kiv_eda_get_return_value() == KIV_ERR_NONE) f.found->pos = f.seek_result;
      return open_advance(f);
    case OPEN_FAIL_CLOSE:
      if (evt == KIV_EVT_RETURN) open_finish(f, f.error);
      return;
    default:
      return;
  }
}

// ---- read and write: move `pos` by what was done --------------------------------------------
template <bool Write>
void rw_handler(void* area, kiv_evt_t evt) {
  auto& p = frame_of<kiv_fs_rw_param_t>(area);
  kiv_file_t* file = kiv_fs_target(area);
  if (evt == KIV_EVT_INIT) {
    const kiv_fs_handler_t& h = Write ? file->fsop->write : file->fsop->read;
    if (kiv_fs_call(h, file, &p, sizeof p) != KIV_ERR_NONE) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    int done = kiv_eda_get_return_value();
    if (done > 0) file->pos += static_cast<uint64_t>(done);
    kiv_eda_return(done);
  }
}

// ---- seek -------------------------------------------------------------------------------------
struct seek_frame {
  int64_t offset;
  int whence;
  uint64_t result;
};

void seek_handler(void* area, kiv_evt_t evt) {
  auto& f = frame_of<seek_frame>(area);
  kiv_file_t* file = kiv_fs_target(area);
  if (evt == KIV_EVT_INIT) {
    uint64_t target = file->pos;
    if (f.whence == 0) target = static_cast<uint64_t>(f.offset);
    if (f.whence == 1) target = file->pos + static_cast<uint64_t>(f.offset);
    if (f.whence == 2) target = file->size + static_cast<uint64_t>(f.offset);
    if (!is_dir(file)) {
      if (target > file->size) return static_cast<void>(kiv_eda_return(KIV_ERR_INVALID_ACCESS));
      if (target == file->pos) return static_cast<void>(kiv_eda_return(KIV_ERR_NONE));
    }
    f.result = 0;
    kiv_fs_setpos_param_t p{target, &f.result};
    if (kiv_fs_call(file->fsop->setpos, file, &p, sizeof p) != KIV_ERR_NONE) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    int r = kiv_eda_get_return_value();
    if (r == KIV_ERR_NONE) file->pos = f.result;
    kiv_eda_return(r);
  }
}

// ---- set size ---------------------------------------------------------------------------------
void setsize_handler(void* area, kiv_evt_t evt) {
  auto& p = frame_of<kiv_fs_resize_param_t>(area);
  kiv_file_t* file = kiv_fs_target(area);
  if (evt == KIV_EVT_INIT) {
    if (is_dir(file)) return static_cast<void>(kiv_eda_return(KIV_ERR_INVALID_ACCESS));
    if (kiv_fs_call(file->fsop->resize, file, &p, sizeof p) != KIV_ERR_NONE) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    int r = kiv_eda_get_return_value();
    if (r == KIV_ERR_NONE) {
      file->size = p.size;
      if (file->pos > p.size) file->pos = p.size;
    }
    kiv_eda_return(r);
  }
}

// ---- mount: a failed graft gives the directory its own children back ------------------------
struct mount_frame {
  void* saved_first;
  void* saved_last;
};

void mount_handler(void* area, kiv_evt_t evt) {
  auto& f = frame_of<mount_frame>(area);
  auto* dir = reinterpret_cast<kiv_vfs_file_t*>(kiv_fs_target(area));
  if (evt == KIV_EVT_INIT) {
    if (kiv_fs_call(dir->file.fsop->mount, &dir->file, nullptr, 0) != KIV_ERR_NONE) {
      dir->d0 = f.saved_first;
      dir->d1 = f.saved_last;
      kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
    }
  } else if (evt == KIV_EVT_RETURN) {
    int r = kiv_eda_get_return_value();
    if (r != KIV_ERR_NONE) {
      dir->d0 = f.saved_first;
      dir->d1 = f.saved_last;
    } else {
      // Kept for an unmount, which gives the directory its own children back.
      std::memcpy(dir->file.fs_private, &f, sizeof f);
    }
    kiv_eda_return(r);
  }
}

// ---- file to stream pump ---------------------------------------------------------------------
void pump_stream_event(kiv_stream_t* stream, void* param, kiv_stream_evt_t evt) {
  auto* pump = static_cast<kiv_file_pump_t*>(param);
  if ((evt != KIV_STREAM_ON_CONNECT && evt != KIV_STREAM_ON_OUT) || pump->count == 0) return;
  pump->free = kiv_stream_get_wbuf(stream, &pump->wbuf);
  kiv_eda_post_evt(pump->task, KIV_EVT_USER);
}

enum { PUMP_IDLE = 0, PUMP_READING = 1 };

void pump_end(kiv_file_pump_t* pump) {
  kiv_stream_disconnect_tx(pump->stream);
  pump->stream->tx.evthandler = nullptr;
  kiv_eda_return(KIV_ERR_NONE);
}

void pump_handler(void* area, kiv_evt_t evt) {
  auto* pump = static_cast<kiv_file_pump_t*>(kiv_eda_frame_param(area));
  if (evt == KIV_EVT_INIT) {
    pump->total = 0;
    pump->task = kiv_eda_get_cur();
    pump->stream->tx.param = pump;
    pump->stream->tx.evthandler = pump_stream_event;
    kiv_stream_connect_tx(pump->stream);
    if (pump->count == 0) pump_end(pump);
  } else if (evt == KIV_EVT_USER && kiv_eda_get_frame_state() == PUMP_IDLE) {
    uint32_t n = pump->free > 0 ? static_cast<uint32_t>(pump->free) : 0;
    if (n > pump->count) n = pump->count;
    if (n == 0 || !pump->wbuf) return;
    kiv_eda_set_frame_state(PUMP_READING);
    if (kiv_file_read(pump->file, pump->wbuf, n) < 0) pump_end(pump);
  } else if (evt == KIV_EVT_RETURN && kiv_eda_get_frame_state() == PUMP_READING) {
    kiv_eda_set_frame_state(PUMP_IDLE);
    int n = kiv_eda_get_return_value();
    if (n < 0) return pump_end(pump);
    if (n > 0) {
      kiv_stream_write(pump->stream, pump->wbuf, n);  // the bytes are already in place
      pump->count -= static_cast<uint32_t>(n);
      pump->total += static_cast<uint32_t>(n);
    }
    if (pump->count == 0) pump_end(pump);
  }
}

}  // namespace

// ---- shared pieces ------------------------------------------------------------------------------

void kiv_fs_not_supported(void*, kiv_evt_t evt) {
  if (evt == KIV_EVT_INIT) kiv_eda_return(KIV_ERR_NOT_SUPPORT);
}

void kiv_fs_nothing(void*, kiv_evt_t evt) {
  if (evt == KIV_EVT_INIT) kiv_eda_return(KIV_ERR_NONE);
}

int kiv_fs_call(const kiv_fs_handler_t& h, kiv_file_t* target, const void* block, uint16_t block_size) {
  int r = kiv_eda_call_param(h.fn, target, static_cast<uint16_t>(block_size + h.frame), block_size, block);
  return r == KIV_EVT_RETURN ? KIV_ERR_NONE : r;
}

int kiv_fs_wait(int started) { return started < 0 ? started : kiv_eda_get_return_value(); }

void kiv_fs_init() {
  if (initialised) return;
  initialised = true;
  root_dir = kiv_vfs_file_t{};
  root_dir.file.attr = KIV_FILE_ATTR_DIRECTORY;
  root_dir.file.name = "";
  root_dir.file.fsop = &kiv_vfs_fsop;
  root_dir.file.fsinfo = &root_dir.file;
  root_dir.file.refcount = 1;
  kiv_sync_init(&vfs_lock, 0x8001, 1);
}

kiv_file_t* kiv_fs_root() { return &root_dir.file; }

kiv_file_t* kiv_file_alloc(int size) {
  auto* f = static_cast<kiv_file_t*>(kiv_heap_calloc(1, size));
  if (f) f->attr = KIV_FILE_ATTR_DYN;
  return f;
}

void kiv_file_free(kiv_file_t* file) {
  if (file && (file->attr & KIV_FILE_ATTR_DYN)) kiv_heap_free(file);
}

int kiv_file_open(kiv_file_t* dir, const char* path, kiv_file_t** result) {
  if (!dir) dir = kiv_fs_root();
  *result = dir;
  count_open_up(dir);
  open_frame f{};
  f.path = path;
  f.result = result;
  int r = start(open_handler, dir, &f, sizeof f);
  if (r < 0) {  // could not start: undo the count taken above
    for (kiv_file_t* p = dir; p; p = p->parent) p->refcount--;
    *result = nullptr;
  }
  return r;
}

int kiv_file_close(kiv_file_t* file) { return start(close_handler, file, nullptr, sizeof(close_frame)); }

int kiv_file_read(kiv_file_t* file, void* buffer, uint32_t count) {
  kiv_fs_rw_param_t p{buffer, count};
  return start(rw_handler<false>, file, &p, sizeof p);
}

int kiv_file_write(kiv_file_t* file, const void* buffer, uint32_t count) {
  kiv_fs_rw_param_t p{const_cast<void*>(buffer), count};
  return start(rw_handler<true>, file, &p, sizeof p);
}

int kiv_file_setsize(kiv_file_t* file, uint64_t size) {
  kiv_fs_resize_param_t p{size};
  return start(setsize_handler, file, &p, sizeof p);
}

int kiv_file_seek(kiv_file_t* file, int64_t offset, int whence) {
  seek_frame f{offset, whence, 0};
  return start(seek_handler, file, &f, sizeof f);
}

uint64_t kiv_file_tell(const kiv_file_t* file) { return file->pos; }

int kiv_file_create(kiv_file_t* dir, const char* name, uint32_t attr) {
  if (!dir) dir = kiv_fs_root();
  kiv_fs_create_param_t p{name, attr};
  return kiv_fs_call(dir->fsop->create, dir, &p, sizeof p);
}

int kiv_file_unlink(kiv_file_t* dir, const char* name) {
  if (!dir) dir = kiv_fs_root();
  kiv_fs_unlink_param_t p{name};
  return kiv_fs_call(dir->fsop->unlink, dir, &p, sizeof p);
}

int kiv_file_rename(kiv_file_t* old_dir, const char* old_name, kiv_file_t* new_dir, const char* new_name) {
  if (!old_dir) old_dir = kiv_fs_root();
  if (new_dir && holder_fs(new_dir) != holder_fs(old_dir)) return KIV_ERR_INVALID_ACCESS;
  kiv_file_t* fs_root = holder_fs(old_dir);
  kiv_fs_rename_param_t p{old_dir, old_name, new_dir, new_name};
  return kiv_fs_call(fs_root->fsop->rename, fs_root, &p, sizeof p);
}

int kiv_fs_mount(kiv_file_t* dir, const kiv_fs_op_t* fsop, kiv_file_t* data) {
  if (!dir) dir = kiv_fs_root();
  if (!fsop || !data) return KIV_ERR_INVALID_PARAMETER;  // a block device goes to the disk mount
  if (!is_dir(dir) || dir->fsop != &kiv_vfs_fsop || dir->mounted) return KIV_ERR_INVALID_ACCESS;
  auto* d = reinterpret_cast<kiv_vfs_file_t*>(dir);
  mount_frame f{d->d0, d->d1};
  data->fsinfo = data;
  d->d0 = const_cast<kiv_fs_op_t*>(fsop);
  d->d1 = data;
  int r = start(mount_handler, dir, &f, sizeof f);
  if (r < 0) {
    d->d0 = f.saved_first;
    d->d1 = f.saved_last;
  }
  return r;
}

kiv_file_t* kiv_file_get_parent(kiv_file_t* file) {
  kiv_file_t* parent = file->parent;
  count_open_up(parent);
  return parent;
}

int32_t kiv_file_get_refcount(const kiv_file_t* file) { return file ? file->refcount : 0; }

const char* kiv_file_getfilename(const char* path) {
  const char* name = path;
  for (const char* c = path; *c; ++c)
    if (kiv_file_is_separator(*c)) name = c + 1;
  return name;
}

bool kiv_file_is_match(const char* path, const char* name) {
  std::size_t n = std::strlen(name);
  return std::strncmp(path, name, n) == 0 && (path[n] == '\0' || kiv_file_is_separator(path[n]));
}

int kiv_file_read_to_stream(kiv_file_pump_t* pump, kiv_stream_t* stream) {
  pump->stream = stream;
  pump->free = 0;
  pump->wbuf = nullptr;
  return start(pump_handler, reinterpret_cast<kiv_file_t*>(pump), nullptr, 0);
}
