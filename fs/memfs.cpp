// The in-memory filesystem: the root and every directory created in it, regular files held in
// one heap buffer, callback files (device files), and mount points that pass every directory
// operation on to the grafted filesystem.
#include <cstring>

#include "fs/vfs.h"

namespace {

using vfile = kiv_vfs_file_t;

vfile* as_v(kiv_file_t* f) { return reinterpret_cast<vfile*>(f); }
vfile* of_node(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, vfile, node); }

// A directory's first/last child live in d0/d1: seen together they are a queue head.
static_assert(offsetof(vfile, d1) == offsetof(vfile, d0) + sizeof(void*));
kiv_queue_t& children(vfile* dir) { return *reinterpret_cast<kiv_queue_t*>(&dir->d0); }

bool is_dir(const vfile* f) { return f->file.attr & KIV_FILE_ATTR_DIRECTORY; }
// A callback file is marked in the first private byte: its d0 is the binder's data, not a buffer.
bool is_callback(const vfile* f) { return !is_dir(f) && f->file.fs_private[0]; }
const kiv_fs_op_t* grafted_op(vfile* d) { return static_cast<const kiv_fs_op_t*>(d->d0); }
kiv_file_t* grafted_root(vfile* d) { return static_cast<kiv_file_t*>(d->d2); }

vfile* find_child(vfile* dir, const char* name) {
  for (kiv_list_node_t* n = children(dir).first; n; n = n->next)
    if (kiv_file_is_match(name, of_node(n)->file.name)) return of_node(n);
  return nullptr;
}

char* copy_name(const char* name) {
  std::size_t len = 0;
  while (name[len] && !kiv_file_is_separator(name[len])) ++len;
  auto* copy = static_cast<char*>(kiv_heap_malloc(static_cast<int>(len + 1)));
  if (copy) {
    std::memcpy(copy, name, len);
    copy[len] = '\0';
  }
  return copy;
}

void release_contents(vfile* f) {
  if (!is_dir(f) && !is_callback(f)) kiv_heap_free(f->d0);
  if (!is_dir(f)) f->d0 = nullptr;
  kiv_heap_free(const_cast<char*>(f->file.name));
  f->file.name = nullptr;
}

int finish(int code) { return kiv_eda_return(code), 0; }

// Runs `h` on `target` with this frame's parameter block and returns what it returns.
template <typename Block>
void forward(void* area, kiv_evt_t evt, const kiv_fs_handler_t& h, kiv_file_t* target) {
  if (evt == KIV_EVT_INIT) {
    if (kiv_fs_call(h, target, area, sizeof(Block)) != KIV_ERR_NONE) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    finish(kiv_eda_get_return_value());
  }
}

// Calls a callback file's handler with the read/write block and an 8-byte frame.
void forward_callback(void* area, kiv_evt_t evt, kiv_area_handler_t fn, kiv_file_t* target) {
  if (evt == KIV_EVT_INIT) {
    int r = kiv_eda_call_param(fn, target, sizeof(kiv_fs_rw_param_t) + 8, sizeof(kiv_fs_rw_param_t), area);
    if (r < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    finish(kiv_eda_get_return_value());
  }
}

// ---- filesystem group ---------------------------------------------------------------------------
void vfs_mount(void* area, kiv_evt_t evt) {
  vfile* d = as_v(kiv_fs_target(area));
  if (evt == KIV_EVT_INIT) {
    if (kiv_fs_call(grafted_op(d)->mount, &d->file, nullptr, 0) != KIV_ERR_NONE) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    int r = kiv_eda_get_return_value();
    if (r == KIV_ERR_NONE && !grafted_root(d)) r = KIV_ERR_INVALID_STATE;  // it gave no root
    if (r == KIV_ERR_NONE) {
      d->file.mounted = true;
      grafted_root(d)->attr |= KIV_FILE_ATTR_DIRECTORY | KIV_FILE_ATTR_READ;
      grafted_root(d)->fsop = grafted_op(d);
    }
    finish(r);
  }
}

void restore_children(vfile* d) {
  d->file.mounted = false;
  std::memcpy(&d->d0, d->file.fs_private, 2 * sizeof(void*));
  d->d2 = nullptr;
}

void vfs_unmount(void* area, kiv_evt_t evt) {
  vfile* d = as_v(kiv_fs_target(area));
  if (!d->file.mounted) {
    if (evt == KIV_EVT_INIT) finish(KIV_ERR_NONE);
    return;
  }
  if (evt == KIV_EVT_INIT) {
    if (kiv_fs_call(grafted_op(d)->unmount, &d->file, nullptr, 0) != KIV_ERR_NONE) {
      restore_children(d);
      finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
    }
  } else if (evt == KIV_EVT_RETURN) {
    restore_children(d);
    finish(KIV_ERR_NONE);
  }
}

// The opens an entry holds (beyond its directory's own reference) were counted on the old
// directory and its ancestors; they move with it, and so does `parent`, so that closing it
// later, or opening it again through its new path, keeps every count right.
void move_open_counts(vfile* entry, kiv_file_t* old_dir, kiv_file_t* new_dir) {
  int opens = entry->file.refcount - 1;
  if (opens > 0 && entry->file.parent == old_dir) {
    for (kiv_file_t* p = old_dir; p; p = p->parent) p->refcount -= opens;
    for (kiv_file_t* p = new_dir; p; p = p->parent) p->refcount += opens;
  }
  if (entry->file.parent) entry->file.parent = new_dir;
}

void vfs_rename(void* area, kiv_evt_t evt) {
  vfile* target = as_v(kiv_fs_target(area));
  if (target->file.mounted) return forward<kiv_fs_rename_param_t>(area, evt, grafted_op(target)->rename, grafted_root(target));
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rename_param_t*>(area);
  vfile* old_dir = as_v(p.old_dir);
  vfile* new_dir = as_v(p.new_dir ? p.new_dir : p.old_dir);
  const char* new_name = p.new_name ? p.new_name : p.old_name;
  // A mount point's own children are hidden under the grafted filesystem: nothing moves there.
  if (old_dir->file.mounted || new_dir->file.mounted) return static_cast<void>(finish(KIV_ERR_INVALID_ACCESS));
  if (find_child(new_dir, new_name)) return static_cast<void>(finish(KIV_ERR_ALREADY_EXISTS));
  vfile* entry = find_child(old_dir, p.old_name);
  if (!entry) return static_cast<void>(finish(KIV_ERR_INVALID_PARAMETER));
  char* name = copy_name(new_name);
  if (!name) return static_cast<void>(finish(KIV_ERR_NOT_ENOUGH_RESOURCES));
  kiv_heap_free(const_cast<char*>(entry->file.name));
  entry->file.name = name;
  children(old_dir).remove(&entry->node);
  children(new_dir).append(&entry->node);
  move_open_counts(entry, &old_dir->file, &new_dir->file);
  finish(KIV_ERR_NONE);
}

// ---- file group ---------------------------------------------------------------------------------
void vfs_close(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  release_contents(as_v(kiv_fs_target(area)));
  finish(KIV_ERR_NONE);
}

// Grows or shrinks a regular file's buffer. When it cannot grow the file keeps its contents.
int resize_buffer(vfile* f, uint64_t size) {
  if (size > 0x7FFFFFF0u) return KIV_ERR_NOT_ENOUGH_RESOURCES;
  if (size == 0) {
    kiv_heap_free(f->d0);
    f->d0 = nullptr;
  } else {
    void* grown = kiv_heap_realloc(f->d0, static_cast<int>(size));
    if (!grown) return KIV_ERR_NOT_ENOUGH_RESOURCES;
    if (size > f->file.size) std::memset(static_cast<char*>(grown) + f->file.size, 0, size - f->file.size);
    f->d0 = grown;
  }
  f->file.size = size;
  return KIV_ERR_NONE;
}

void vfs_read(void* area, kiv_evt_t evt) {
  vfile* f = as_v(kiv_fs_target(area));
  if (is_callback(f)) {
    if (f->d1) return forward_callback(area, evt, reinterpret_cast<kiv_area_handler_t>(f->d1), &f->file);
    if (evt == KIV_EVT_INIT) finish(KIV_ERR_NOT_ACCESSIBLE);
    return;
  }
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  if (f->file.pos >= f->file.size) return static_cast<void>(finish(0));
  uint64_t n = f->file.size - f->file.pos;
  if (n > p.count) n = p.count;
  std::memcpy(p.buffer, static_cast<char*>(f->d0) + f->file.pos, n);
  finish(static_cast<int>(n));
}

void vfs_write(void* area, kiv_evt_t evt) {
  vfile* f = as_v(kiv_fs_target(area));
  if (is_callback(f)) {
    if (f->d2) return forward_callback(area, evt, reinterpret_cast<kiv_area_handler_t>(f->d2), &f->file);
    if (evt == KIV_EVT_INIT) finish(KIV_ERR_NOT_ACCESSIBLE);
    return;
  }
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  uint64_t end = f->file.pos + p.count;
  if (end > f->file.size && resize_buffer(f, end) != KIV_ERR_NONE)
    return static_cast<void>(finish(KIV_ERR_NOT_ENOUGH_RESOURCES));
  uint64_t n = f->file.size - f->file.pos;
  if (n > p.count) n = p.count;
  if (n) std::memcpy(static_cast<char*>(f->d0) + f->file.pos, p.buffer, n);
  finish(static_cast<int>(n));
}

void vfs_resize(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  vfile* f = as_v(kiv_fs_target(area));
  if (is_callback(f)) return static_cast<void>(finish(KIV_ERR_NOT_SUPPORT));
  finish(resize_buffer(f, static_cast<kiv_fs_resize_param_t*>(area)->size));
}

void vfs_setpos(void* area, kiv_evt_t evt) {
  vfile* d = as_v(kiv_fs_target(area));
  auto& p = *static_cast<kiv_fs_setpos_param_t*>(area);
  if (d->file.mounted) {
    if (evt == KIV_EVT_INIT) d->file.pos = p.offset;
    return forward<kiv_fs_setpos_param_t>(area, evt, grafted_op(d)->setpos, grafted_root(d));
  }
  if (evt != KIV_EVT_INIT) return;
  *p.result = p.offset;
  finish(KIV_ERR_NONE);
}

// ---- directory group ----------------------------------------------------------------------------
void vfs_lookup(void* area, kiv_evt_t evt) {
  vfile* d = as_v(kiv_fs_target(area));
  if (d->file.mounted) return forward<kiv_fs_lookup_param_t>(area, evt, grafted_op(d)->lookup, grafted_root(d));
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_lookup_param_t*>(area);
  vfile* found = nullptr;
  if (p.name) {
    found = find_child(d, p.name);
  } else {
    uint64_t i = 0;
    kiv_list_node_t* n = children(d).first;
    for (; n && i < d->file.pos; n = n->next) ++i;
    found = of_node(n);
    d->file.pos = found ? d->file.pos + 1 : 0;
  }
  if (found && found->file.mounted && grafted_root(found)) found->file.pos = grafted_root(found)->pos;
  *p.result = found ? &found->file : nullptr;
  finish(found ? KIV_ERR_NONE : KIV_ERR_INVALID_PARAMETER);
}

vfile* new_entry(vfile* dir, const char* name, uint32_t attr) {
  auto* f = reinterpret_cast<vfile*>(kiv_file_alloc(sizeof(vfile)));
  char* copy = f ? copy_name(name) : nullptr;
  if (!copy) {
    kiv_file_free(reinterpret_cast<kiv_file_t*>(f));
    return nullptr;
  }
  f->file.attr = attr | KIV_FILE_ATTR_DYN;
  f->file.name = copy;
  f->file.fsop = &kiv_vfs_fsop;
  f->file.refcount = 1;
  children(dir).append(&f->node);
  return f;
}

void vfs_create(void* area, kiv_evt_t evt) {
  vfile* d = as_v(kiv_fs_target(area));
  if (d->file.mounted) return forward<kiv_fs_create_param_t>(area, evt, grafted_op(d)->create, grafted_root(d));
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_create_param_t*>(area);
  if (find_child(d, p.name)) return static_cast<void>(finish(KIV_ERR_ALREADY_EXISTS));
  finish(new_entry(d, p.name, p.attr) ? KIV_ERR_NONE : KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void vfs_unlink(void* area, kiv_evt_t evt) {
  vfile* d = as_v(kiv_fs_target(area));
  if (d->file.mounted) return forward<kiv_fs_unlink_param_t>(area, evt, grafted_op(d)->unlink, grafted_root(d));
  if (evt != KIV_EVT_INIT) return;
  vfile* entry = find_child(d, static_cast<kiv_fs_unlink_param_t*>(area)->name);
  if (!entry) return static_cast<void>(finish(KIV_ERR_INVALID_PARAMETER));
  children(d).remove(&entry->node);
  if (--entry->file.refcount == 0) {  // nobody has it open: it goes now
    release_contents(entry);
    kiv_file_free(&entry->file);
  }
  finish(KIV_ERR_NONE);
}

}  // namespace

const kiv_fs_op_t kiv_vfs_fsop{
    .mount = {vfs_mount, 0}, .unmount = {vfs_unmount, 0}, .rename = {vfs_rename, 0},
    .close = {vfs_close, 0}, .read = {vfs_read, 0}, .write = {vfs_write, 0},
    .resize = {vfs_resize, 0}, .setpos = {vfs_setpos, 0},
    .lookup = {vfs_lookup, 0}, .create = {vfs_create, 0}, .unlink = {vfs_unlink, 0}};

int kiv_vfs_create_callback(kiv_file_t* dir, const char* name, uint32_t attr, kiv_area_handler_t read,
                            kiv_area_handler_t write) {
  vfile* d = as_v(dir ? dir : kiv_fs_root());
  if (d->file.fsop != &kiv_vfs_fsop || d->file.mounted || !is_dir(d)) return KIV_ERR_INVALID_ACCESS;
  if (find_child(d, name)) return KIV_ERR_ALREADY_EXISTS;
  vfile* f = new_entry(d, name, attr);
  if (!f) return KIV_ERR_NOT_ENOUGH_RESOURCES;
  return kiv_vfs_bind_callback(&f->file, nullptr, read, write);
}

bool kiv_vfs_is_entry(const kiv_file_t* file) { return file && file->fsop == &kiv_vfs_fsop && !file->mounted; }

int kiv_vfs_bind_callback(kiv_file_t* file, void* data, kiv_area_handler_t read, kiv_area_handler_t write) {
  if (!kiv_vfs_is_entry(file) || (file->attr & KIV_FILE_ATTR_DIRECTORY)) return KIV_ERR_INVALID_ACCESS;
  vfile* f = as_v(file);
  if (!is_callback(f)) kiv_heap_free(f->d0);
  f->file.fs_private[0] = 1;
  f->d0 = data;
  f->d1 = reinterpret_cast<void*>(read);
  f->d2 = reinterpret_cast<void*>(write);
  return KIV_ERR_NONE;
}

void* kiv_vfs_get_data(const kiv_file_t* file) {
  if (!kiv_vfs_is_entry(file)) return nullptr;
  const vfile* f = reinterpret_cast<const vfile*>(file);
  return is_callback(f) ? f->d0 : nullptr;
}
