// The host-directory filesystem over the host access layer: objects, look-up, enumeration,
// create/unlink/rename, transfers at the object's position, and mounting.
#include "fs/hostfs.h"

#include <cstring>

#include "fs/host/hostfs_access.h"

namespace {

// Every object is one heap block: the object, then its full host path; `name` points at the
// path's last component, so closing has nothing of its own to free.
struct kiv_winfs_file_t {
  kiv_file_t file;
  int handle;          // open host file, or -1 (folders, and the root)
  hostfs_dir* search;  // a folder's search while it is being enumerated
  char* host_path;
};

using wfile = kiv_winfs_file_t;

wfile* as_w(kiv_file_t* f) { return reinterpret_cast<wfile*>(f); }
bool is_dir(const kiv_file_t* f) { return f->attr & KIV_FILE_ATTR_DIRECTORY; }
void finish(int code) { kiv_eda_return(code); }

// Transfers are cut so that their byte count always fits the int result.
constexpr uint32_t kMaxTransfer = 0x7FFFF000u;

std::size_t component_length(const char* name) {
  std::size_t n = 0;
  while (name[n] && !kiv_file_is_separator(name[n])) ++n;
  return n;
}

// "." and ".." would reach the folder itself or leave it: inside the system they name nothing.
bool is_plain_name(const char* name, std::size_t len) {
  if (len == 0) return false;
  if (name[0] == '.' && (len == 1 || (len == 2 && name[1] == '.'))) return false;
  return true;
}

// A name handed to create, unlink or rename must be exactly one plain component.
bool is_single_name(const char* name) {
  return name && name[component_length(name)] == '\0' && is_plain_name(name, std::strlen(name));
}

// Writes "dir/name" (no doubled separator after a folder path that ends in one) into `out`.
std::size_t join_into(char* out, const char* dir, const char* name, std::size_t len) {
  std::size_t dl = std::strlen(dir);
  std::memcpy(out, dir, dl);
  if (dl == 0 || dir[dl - 1] != '/') out[dl++] = '/';
  std::memcpy(out + dl, name, len);
  out[dl + len] = '\0';
  return dl;
}

std::size_t joined_size(const char* dir, std::size_t len) { return std::strlen(dir) + len + 2; }

// A heap copy of "dir/name"; null when out of memory.
char* join(const char* dir, const char* name) {
  std::size_t len = std::strlen(name);
  auto* out = static_cast<char*>(kiv_heap_malloc(static_cast<int>(joined_size(dir, len))));
  if (out) join_into(out, dir, name, len);
  return out;
}

uint32_t attr_of(const hostfs_info& info, const char* name) {
  uint32_t attr = KIV_FILE_ATTR_READ;
  if (info.writable) attr |= KIV_FILE_ATTR_WRITE;
  if (info.kind == hostfs_kind::directory) attr |= KIV_FILE_ATTR_DIRECTORY;
  if (name[0] == '.') attr |= KIV_FILE_ATTR_HIDDEN;  // the host's convention for hidden entries
  return attr;
}

// Opens a file for reading, and for writing when the host allows it; `info` tells which.
hostfs_err open_file(const char* path, bool writable, int* handle, hostfs_info* info) {
  if (writable) {
    hostfs_err e = hostfs_open(path, HOSTFS_OPEN_READ | HOSTFS_OPEN_WRITE, handle, info);
    if (e != hostfs_err::access) return e;
  }
  return hostfs_open(path, HOSTFS_OPEN_READ, handle, info);
}

// Makes the object for entry `name` (`len` bytes) of `dir`: the look-up of one component.
int make_object(wfile* dir, const char* name, std::size_t len, kiv_file_t** result) {
  *result = nullptr;
  if (!is_plain_name(name, len)) return KIV_ERR_INVALID_PARAMETER;
  std::size_t path_size = joined_size(dir->host_path, len);
  auto* obj = as_w(kiv_file_alloc(static_cast<int>(sizeof(wfile) + path_size)));
  if (!obj) return KIV_ERR_NOT_ENOUGH_RESOURCES;
  obj->host_path = reinterpret_cast<char*>(obj + 1);
  obj->file.name = obj->host_path + join_into(obj->host_path, dir->host_path, name, len);
  obj->handle = -1;
  hostfs_info info{};
  hostfs_err e = hostfs_stat(obj->host_path, &info);
  if (e == hostfs_err::none && info.kind == hostfs_kind::regular) {
    e = open_file(obj->host_path, info.writable, &obj->handle, &info);
  }
  // Only folders and regular files are shown: anything else could block the kernel thread.
  if (e != hostfs_err::none || info.kind == hostfs_kind::other) {
    hostfs_close(obj->handle);
    kiv_file_free(&obj->file);
    return KIV_ERR_INVALID_PARAMETER;
  }
  obj->file.attr |= attr_of(info, obj->file.name);
  obj->file.size = info.size;
  obj->file.fsop = &kiv_winfs_fsop;
  *result = &obj->file;
  return KIV_ERR_NONE;
}

void end_search(wfile* dir) {
  hostfs_closedir(dir->search);
  dir->search = nullptr;
}

// Whether enumeration shows this host entry: a name the system can address, of a kind it shows.
bool is_listed(wfile* dir, const char* name) {
  std::size_t len = std::strlen(name);
  if (!is_plain_name(name, len) || component_length(name) != len) return false;
  char* path = join(dir->host_path, name);
  hostfs_info info{};
  bool listed = path && hostfs_stat(path, &info) == hostfs_err::none && info.kind != hostfs_kind::other;
  kiv_heap_free(path);
  return listed;
}

// The next listed entry of the folder's search (opened when there is none); null at the end
// or on a host failure, with the search closed.
const char* next_entry(wfile* dir) {
  if (!dir->search && hostfs_opendir(dir->host_path, &dir->search) != hostfs_err::none) {
    dir->search = nullptr;
    return nullptr;
  }
  for (;;) {
    const char* name = nullptr;
    if (hostfs_readdir(dir->search, &name) != hostfs_err::none || !name) {
      end_search(dir);
      return nullptr;
    }
    if (is_listed(dir, name)) return name;
  }
}

// ---- filesystem group ---------------------------------------------------------------------------

// The mount point's data object (d1) is the root: check that its host path is a folder.
void winfs_mount(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto* point = reinterpret_cast<kiv_vfs_file_t*>(kiv_fs_target(area));
  wfile* root = static_cast<wfile*>(point->d1);
  hostfs_info info{};
  hostfs_err e = hostfs_stat(root->file.name, &info);
  if (e == hostfs_err::not_found || e == hostfs_err::not_dir) return finish(KIV_ERR_INVALID_PARAMETER);
  if (e != hostfs_err::none) return finish(KIV_ERR_INVALID_STATE);
  if (info.kind != hostfs_kind::directory) return finish(KIV_ERR_INVALID_ACCESS);
  root->host_path = const_cast<char*>(root->file.name);
  root->handle = -1;
  root->search = nullptr;
  point->d2 = root;
  finish(KIV_ERR_NONE);
}

// A search left open by an enumeration that never finished goes with the mount.
void winfs_unmount(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto* point = reinterpret_cast<kiv_vfs_file_t*>(kiv_fs_target(area));
  if (point->d2) end_search(static_cast<wfile*>(point->d2));
  finish(KIV_ERR_NONE);
}

// The host folder a rename names: one of ours, or the mount point that carries `root`.
const char* folder_of(kiv_file_t* dir, wfile* root) {
  if (!dir) return nullptr;
  if (dir->fsop == &kiv_winfs_fsop && dir->fsinfo == &root->file) return as_w(dir)->host_path;
  if (dir->mounted && reinterpret_cast<kiv_vfs_file_t*>(dir)->d2 == root) return root->host_path;
  return nullptr;
}

void winfs_rename(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rename_param_t*>(area);
  wfile* root = as_w(kiv_fs_target(area));
  const char* old_dir = folder_of(p.old_dir, root);
  const char* new_dir = p.new_dir ? folder_of(p.new_dir, root) : old_dir;
  const char* new_name = p.new_name ? p.new_name : p.old_name;
  if (!old_dir || !new_dir) return finish(KIV_ERR_INVALID_ACCESS);
  if (!is_single_name(p.old_name) || !is_single_name(new_name)) return finish(KIV_ERR_INVALID_PARAMETER);
  char* from = join(old_dir, p.old_name);
  char* to = join(new_dir, new_name);
  int r = KIV_ERR_NOT_ENOUGH_RESOURCES;
  if (from && to) {
    int host_errno = 0;
    r = KIV_ERR_NONE;
    if (hostfs_rename(from, to, &host_errno) != hostfs_err::none) {
      kiv_trace(KIV_TRACE_ERROR, "winfs: fail to rename %s to %s %d\r\n", from, to, host_errno);
      r = KIV_ERR_INVALID_STATE;
    }
  }
  kiv_heap_free(from);
  kiv_heap_free(to);
  finish(r);
}

// ---- file group ---------------------------------------------------------------------------------
void winfs_close(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  wfile* f = as_w(kiv_fs_target(area));
  hostfs_close(f->handle);
  f->handle = -1;
  end_search(f);
  finish(KIV_ERR_NONE);
}

template <bool Write>
void winfs_transfer(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  wfile* f = as_w(kiv_fs_target(area));
  uint32_t count = p.count < kMaxTransfer ? p.count : kMaxTransfer;
  uint32_t done = 0;
  hostfs_err e = Write ? hostfs_write(f->handle, f->file.pos, p.buffer, count, &done)
                       : hostfs_read(f->handle, f->file.pos, p.buffer, count, &done);
  if (e != hostfs_err::none) return finish(KIV_ERR_INVALID_STATE);
  if (Write && f->file.pos + done > f->file.size) f->file.size = f->file.pos + done;
  finish(static_cast<int>(done));
}

void winfs_resize(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  wfile* f = as_w(kiv_fs_target(area));
  bool ok = hostfs_truncate(f->handle, static_cast<kiv_fs_resize_param_t*>(area)->size) == hostfs_err::none;
  finish(ok ? KIV_ERR_NONE : KIV_ERR_INVALID_STATE);
}

// Files: transfers name their offset, so the position is the object's alone. Folders: the
// search restarts and passes `offset` listed entries, so that the next look-up returns the
// entry at that index.
void winfs_setpos(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_setpos_param_t*>(area);
  wfile* f = as_w(kiv_fs_target(area));
  if (!is_dir(&f->file)) {
    if (p.offset > static_cast<uint64_t>(INT64_MAX)) return finish(KIV_ERR_INVALID_STATE);
    *p.result = p.offset;
    return finish(KIV_ERR_NONE);
  }
  end_search(f);
  f->file.pos = 0;
  for (uint64_t i = 0; i < p.offset; ++i)
    if (!next_entry(f)) return finish(KIV_ERR_INVALID_STATE);
  f->file.pos = p.offset;
  *p.result = p.offset;
  finish(KIV_ERR_NONE);
}

// ---- directory group ----------------------------------------------------------------------------
void winfs_lookup(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_lookup_param_t*>(area);
  wfile* dir = as_w(kiv_fs_target(area));
  *p.result = nullptr;
  if (p.name) return finish(make_object(dir, p.name, component_length(p.name), p.result));
  // Enumeration: an entry that vanishes between listing and look-up is passed over.
  for (;;) {
    const char* name = next_entry(dir);
    if (!name) {
      dir->file.pos = 0;
      return finish(KIV_ERR_INVALID_PARAMETER);
    }
    int r = make_object(dir, name, std::strlen(name), p.result);
    if (r == KIV_ERR_NOT_ENOUGH_RESOURCES) return finish(r);
    if (r == KIV_ERR_NONE) {
      dir->file.pos++;
      return finish(KIV_ERR_NONE);
    }
  }
}

void winfs_create(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_create_param_t*>(area);
  if (!is_single_name(p.name)) return finish(KIV_ERR_INVALID_PARAMETER);
  char* path = join(as_w(kiv_fs_target(area))->host_path, p.name);
  if (!path) return finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  hostfs_err e;
  if (p.attr & KIV_FILE_ATTR_DIRECTORY) {
    e = hostfs_mkdir(path);
  } else {
    int handle = -1;
    e = hostfs_open(path, HOSTFS_OPEN_READ | HOSTFS_OPEN_WRITE | HOSTFS_OPEN_CREATE_NEW, &handle, nullptr);
    hostfs_close(handle);
  }
  kiv_heap_free(path);
  finish(e == hostfs_err::none ? KIV_ERR_NONE : KIV_ERR_INVALID_STATE);
}

void winfs_unlink(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  const char* name = static_cast<kiv_fs_unlink_param_t*>(area)->name;
  if (!is_single_name(name)) return finish(KIV_ERR_INVALID_PARAMETER);
  char* path = join(as_w(kiv_fs_target(area))->host_path, name);
  if (!path) return finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  bool folder = false;
  hostfs_err e = hostfs_entry_is_dir(path, &folder);
  int r = KIV_ERR_NONE;
  if (e == hostfs_err::not_found || e == hostfs_err::not_dir) {
    r = KIV_ERR_INVALID_PARAMETER;
  } else if (e != hostfs_err::none) {
    r = KIV_ERR_INVALID_STATE;
  } else if ((folder ? hostfs_rmdir(path) : hostfs_unlink(path)) != hostfs_err::none) {
    r = KIV_ERR_INVALID_STATE;
  }
  kiv_heap_free(path);
  finish(r);
}

}  // namespace

const kiv_fs_op_t kiv_winfs_fsop{
    .mount = {winfs_mount, 0}, .unmount = {winfs_unmount, 0}, .rename = {winfs_rename, 0},
    .close = {winfs_close, 0}, .read = {winfs_transfer<false>, 0}, .write = {winfs_transfer<true>, 0},
    .resize = {winfs_resize, 0}, .setpos = {winfs_setpos, 0},
    .lookup = {winfs_lookup, 0}, .create = {winfs_create, 0}, .unlink = {winfs_unlink, 0}};

kiv_file_t* kiv_winfs_root_alloc(const char* host_path) {
  std::size_t len = std::strlen(host_path);
  auto* root = as_w(kiv_file_alloc(static_cast<int>(sizeof(wfile) + len + 1)));
  if (!root) return nullptr;
  auto* copy = reinterpret_cast<char*>(root + 1);
  std::memcpy(copy, host_path, len + 1);
  root->file.name = copy;
  root->host_path = copy;
  root->handle = -1;
  return &root->file;
}
