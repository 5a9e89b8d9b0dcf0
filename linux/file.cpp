// The file descriptor class and the POSIX file operations over the VFS.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fs/disk_mount.h"
#include "linux/fd.h"

namespace {

// Description of a file descriptor: the head, the directory-entry record, the open child.
struct file_priv {
  kiv_linux_fd_priv_t head;
  posix::dirent entry;
  kiv_file_t* child;
};

kiv_file_t* file_of(kiv_linux_fd_t* fd) { return static_cast<kiv_file_t*>(fd->priv->target); }
file_priv* fpriv(kiv_linux_fd_t* fd) { return reinterpret_cast<file_priv*>(fd->priv); }
void set_errno(int e) { posix::errno_ref() = e; }

int vfs_open(const char* resolved, kiv_file_t** out) { return kiv_fs_wait(kiv_file_open(nullptr, resolved, out)); }
void vfs_close(kiv_file_t* f) {
  if (f) kiv_fs_wait(kiv_file_close(f));
}

bool resolve(const char* path, char* out) {
  return path && *path && kiv_linux_generate_path(out, KIV_LINUX_PATH_MAX, nullptr, path) == 0;
}

// Length of the parent part of a resolved path (everything before the last separator).
std::size_t parent_length(const char* resolved) {
  return static_cast<std::size_t>(kiv_file_getfilename(resolved) - resolved);
}

int file_read(kiv_linux_fd_t* fd, void* buffer, int count) {
  int done = 0;
  while (done < count) {
    int n = kiv_fs_wait(kiv_file_read(file_of(fd), static_cast<char*>(buffer) + done, static_cast<uint32_t>(count - done)));
    if (n < 0) return done ? done : -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

int file_write(kiv_linux_fd_t* fd, const void* buffer, int count) {
  int done = 0;
  while (done < count) {
    int n = kiv_fs_wait(kiv_file_write(file_of(fd), static_cast<const char*>(buffer) + done, static_cast<uint32_t>(count - done)));
    if (n < 0) return -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

int file_close(kiv_linux_fd_t* fd) {
  kiv_file_t* f = file_of(fd);
  vfs_close(fpriv(fd)->child);
  fpriv(fd)->child = nullptr;
  f->attr &= ~KIV_FILE_ATTR_EXCL;
  vfs_close(f);
  return 0;
}

int file_eof(kiv_linux_fd_t* fd) { return file_of(fd)->pos == file_of(fd)->size; }
int no_fcntl(kiv_linux_fd_t*, int, int) { return 0; }

// Creates every missing component of `resolved`; the last one as a directory or a file.
int create_path(const char* resolved, bool last_is_dir) {
  char copy[KIV_LINUX_PATH_MAX];
  std::strcpy(copy, resolved);
  for (char* c = copy + 1;; ++c) {
    bool last = *c == '\0';
    if (!last && !kiv_file_is_separator(*c)) continue;
    char saved = *c;
    *c = '\0';
    kiv_file_t* existing = nullptr;
    if (vfs_open(copy, &existing) == KIV_ERR_NONE) {
      vfs_close(existing);
    } else {
      std::size_t plen = parent_length(copy);
      char parent[KIV_LINUX_PATH_MAX];
      std::memcpy(parent, copy, plen);
      parent[plen] = '\0';
      kiv_file_t* dir = nullptr;
      if (vfs_open(parent, &dir) != KIV_ERR_NONE) return -1;
      uint32_t attr = KIV_FILE_ATTR_READ | KIV_FILE_ATTR_WRITE;
      if (!last || last_is_dir) attr |= KIV_FILE_ATTR_DIRECTORY;
      int r = kiv_fs_wait(kiv_file_create(dir, copy + plen, attr));
      vfs_close(dir);
      if (r != KIV_ERR_NONE) return -1;
    }
    *c = saved;
    if (last) return 0;
  }
}

// Whether anybody but the caller (who holds one open) has `f` open. An in-memory entry also
// carries its directory's reference, which is no open.
bool opened_elsewhere(const kiv_file_t* f) {
  return kiv_file_get_refcount(f) - (kiv_vfs_is_entry(f) ? 1 : 0) > 1;
}

}  // namespace

const kiv_linux_fd_op_t kiv_linux_file_op{.priv_size = sizeof(file_priv), .fcntl = no_fcntl, .read = file_read,
                                          .write = file_write, .close = file_close, .eof = file_eof};

int posix::open(const char* path, int flags, int) {
  char resolved[KIV_LINUX_PATH_MAX];
  if (!resolve(path, resolved) || (flags & KIV_O_NONBLOCK)) return -1;
  kiv_file_t* f = nullptr;
  bool created = false;
  if (vfs_open(resolved, &f) != KIV_ERR_NONE) {
    if (!(flags & KIV_O_CREAT)) {
      set_errno(KIV_ENOENT);
      return -1;
    }
    if (create_path(resolved, flags & KIV_O_DIRECTORY) != 0 || vfs_open(resolved, &f) != KIV_ERR_NONE) return -1;
    created = true;
  }
  if (!created && (flags & KIV_O_CREAT) && (flags & KIV_O_EXCL)) {
    vfs_close(f);
    set_errno(KIV_EEXIST);
    return -1;
  }
  if (f->attr & KIV_FILE_ATTR_EXCL) {
    vfs_close(f);
    return -1;
  }
  kiv_linux_fd_t* fd = nullptr;
  int number = kiv_linux_fd_create(nullptr, &fd, &kiv_linux_file_op, -1, nullptr);
  if (number < 0) {
    vfs_close(f);
    set_errno(KIV_ENOMEM);
    return -1;
  }
  fd->priv->flags = flags;
  fd->priv->target = f;
  if ((flags & KIV_O_DIRECTORY) && !(f->attr & KIV_FILE_ATTR_DIRECTORY)) {
    kiv_linux_fd_close(nullptr, number);
    set_errno(KIV_ENOTDIR);
    return -1;
  }
  if (flags & KIV_O_APPEND) kiv_fs_wait(kiv_file_seek(f, 0, 2));
  if (flags & KIV_O_EXCL) f->attr |= KIV_FILE_ATTR_EXCL;
  if (flags & KIV_O_CLOEXEC) fd->fd_flags |= 1;
  if ((flags & KIV_O_TRUNC) && (flags & 3) != KIV_O_RDONLY) posix::ftruncate(number, 0);
  return number;
}

int posix::creat(const char* path, int mode) { return posix::open(path, KIV_O_WRONLY | KIV_O_CREAT | KIV_O_TRUNC, mode); }

namespace {
kiv_linux_fd_t* file_fd(int fd) {
  kiv_linux_fd_t* d = kiv_linux_fd_get(fd);
  return d && d->op == &kiv_linux_file_op ? d : nullptr;
}
}  // namespace

int64_t posix::lseek(int fd, int64_t offset, int whence) {
  kiv_linux_fd_t* d = file_fd(fd);
  if (!d) return -1;
  kiv_fs_wait(kiv_file_seek(file_of(d), offset, whence));
  return static_cast<int64_t>(kiv_file_tell(file_of(d)));
}

int posix::ftruncate(int fd, int64_t length) {
  kiv_linux_fd_t* d = file_fd(fd);
  if (!d || length < 0) return -1;
  return kiv_fs_wait(kiv_file_setsize(file_of(d), static_cast<uint64_t>(length)));
}

int posix::fstat(int fd, struct stat* st) {
  kiv_linux_fd_t* d = kiv_linux_fd_get(fd);
  if (!d || !st) return -1;
  *st = {};
  if (d->op == &kiv_linux_file_op) {
    kiv_file_t* f = file_of(d);
    if (f->attr & KIV_FILE_ATTR_DIRECTORY) st->st_mode = KIV_S_IFDIR | 0777;
    else if (f->attr & KIV_FILE_ATTR_BLOCK) st->st_mode = KIV_S_IFBLK | 0777;
    else if (f->attr & KIV_FILE_ATTR_SOCKET) st->st_mode = KIV_S_IFSOCK | 0777;
    else st->st_mode = KIV_S_IFREG | 0777;
    st->st_size = static_cast<uint32_t>(f->size);
  } else if (d->op == &kiv_linux_pipe_rx_op || d->op == &kiv_linux_pipe_tx_op) {
    st->st_mode = KIV_S_IFIFO;
  } else {
    return -1;
  }
  return 0;
}

int posix::stat(const char* path, struct stat* st) {
  int fd = posix::open(path, 0);
  if (fd < 0) return -1;
  int r = posix::fstat(fd, st);
  posix::close(fd);
  return r;
}

int posix::access(const char* path, int mode) {
  int fd = posix::open(path, 0);
  if (fd < 0) return -1;
  int r = 0;
  if (kiv_linux_fd_t* d = file_fd(fd)) {
    uint32_t attr = file_of(d)->attr;
    if (((mode & KIV_R_OK) && !(attr & KIV_FILE_ATTR_READ)) || ((mode & KIV_W_OK) && !(attr & KIV_FILE_ATTR_WRITE)) ||
        ((mode & KIV_X_OK) && !(attr & KIV_FILE_ATTR_EXECUTE)))
      r = -1;
  }
  posix::close(fd);
  return r;
}

int posix::mkdir(const char* path, int) {
  char resolved[KIV_LINUX_PATH_MAX];
  if (!resolve(path, resolved)) return -1;
  std::size_t plen = parent_length(resolved);
  char parent[KIV_LINUX_PATH_MAX];
  std::memcpy(parent, resolved, plen);
  parent[plen] = '\0';
  kiv_file_t* dir = nullptr;
  if (vfs_open(parent, &dir) != KIV_ERR_NONE) return -1;
  int r = kiv_fs_wait(kiv_file_create(dir, resolved + plen, KIV_FILE_ATTR_READ | KIV_FILE_ATTR_WRITE | KIV_FILE_ATTR_DIRECTORY));
  vfs_close(dir);
  return r == KIV_ERR_NONE ? 0 : -1;
}

int kiv_linux_mkdir_p(const char* path) {
  int fd = posix::open(path, KIV_O_CREAT | KIV_O_DIRECTORY);
  if (fd < 0) return -1;
  posix::close(fd);
  return 0;
}

int posix::unlink(const char* path) {
  char resolved[KIV_LINUX_PATH_MAX];
  if (!resolve(path, resolved)) return -1;
  kiv_file_t* f = nullptr;
  if (vfs_open(resolved, &f) != KIV_ERR_NONE) {
    set_errno(KIV_ENOENT);
    return -1;
  }
  kiv_file_t* parent = kiv_file_get_parent(f);
  vfs_close(f);
  int r = kiv_fs_wait(kiv_file_unlink(parent, kiv_file_getfilename(resolved)));
  vfs_close(parent);
  return r == KIV_ERR_NONE ? 0 : -1;
}

int posix::rename(const char* old_path, const char* new_path) {
  char from[KIV_LINUX_PATH_MAX], to[KIV_LINUX_PATH_MAX];
  if (!resolve(old_path, from) || !resolve(new_path, to) || std::strcmp(from, "/") == 0) return -1;
  kiv_file_t* old_file = nullptr;
  if (vfs_open(from, &old_file) != KIV_ERR_NONE) return -1;
  bool busy = opened_elsewhere(old_file);
  kiv_file_t* old_parent = kiv_file_get_parent(old_file);
  vfs_close(old_file);
  int result = -1;
  kiv_file_t* new_parent = nullptr;
  if (!busy && (old_parent->attr & KIV_FILE_ATTR_WRITE)) {
    std::size_t plen = parent_length(to);
    char parent[KIV_LINUX_PATH_MAX];
    std::memcpy(parent, to, plen);
    parent[plen] = '\0';
    kiv_file_t* existing = nullptr;
    bool ok = vfs_open(parent, &new_parent) == KIV_ERR_NONE && (new_parent->attr & KIV_FILE_ATTR_WRITE);
    if (ok && vfs_open(to, &existing) == KIV_ERR_NONE) {
      ok = !opened_elsewhere(existing);
      vfs_close(existing);
      ok = ok && kiv_fs_wait(kiv_file_unlink(new_parent, to + plen)) == KIV_ERR_NONE;
    }
    if (ok && kiv_fs_wait(kiv_file_rename(old_parent, kiv_file_getfilename(from), new_parent, to + plen)) == KIV_ERR_NONE)
      result = 0;
  }
  vfs_close(new_parent);
  vfs_close(old_parent);
  return result;
}

posix::DIR* posix::opendir(const char* path) {
  int fd = posix::open(path, KIV_O_DIRECTORY);
  return fd < 0 ? nullptr : kiv_linux_fd_get(fd);
}

posix::dirent* posix::readdir(DIR* dir) {
  if (!dir || dir->op != &kiv_linux_file_op) return nullptr;
  file_priv* p = fpriv(dir);
  kiv_file_t* d = file_of(dir);
  int position = static_cast<int>(d->pos);
  vfs_close(p->child);
  p->child = nullptr;
  kiv_file_t* child = nullptr;
  if (kiv_fs_wait(kiv_file_open(d, nullptr, &child)) != KIV_ERR_NONE || !child) return nullptr;
  p->child = child;
  p->entry.d_ino++;
  p->entry.d_off = position;
  p->entry.d_reclen = 16;
  p->entry.d_type = (child->attr & KIV_FILE_ATTR_DIRECTORY) ? KIV_DT_DIR
                    : (child->attr & KIV_FILE_ATTR_EXECUTE) ? KIV_DT_EXE : KIV_DT_REG;
  p->entry.d_name = child->name;
  return &p->entry;
}

int posix::closedir(DIR* dir) {
  if (!dir) return -1;
  return posix::close(dir->fd);  // the class close releases the held child
}

char* posix::getcwd(char* buffer, int size) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  const char* cwd = p && p->cwd ? p->cwd : "/";
  if (static_cast<int>(std::strlen(cwd)) >= size) {
    set_errno(KIV_ERANGE);
    return nullptr;
  }
  std::strcpy(buffer, cwd);
  return buffer;
}

int kiv_linux_chdir(kiv_linux_process_t* process, const char* path) {
  char resolved[KIV_LINUX_PATH_MAX];
  if (!resolve(path, resolved)) return -1;
  std::size_t len = std::strlen(resolved);
  if (len == 0 || resolved[len - 1] != '/') {
    if (len + 1 >= sizeof resolved) return -1;
    resolved[len] = '/';
    resolved[len + 1] = '\0';
  }
  kiv_file_t* f = nullptr;
  if (vfs_open(resolved, &f) != KIV_ERR_NONE) return -1;
  bool dir = f->attr & KIV_FILE_ATTR_DIRECTORY;
  vfs_close(f);
  if (!dir) return -1;
  char* copy = kiv_linux_strdup_p(process, resolved);
  if (!copy) return -1;
  kiv_linux_free_p(process, process->cwd);
  process->cwd = copy;
  return 0;
}

int posix::mount(const char*, const char* target, const kiv_fs_op_t* fsop, int, void* data) {
  char resolved[KIV_LINUX_PATH_MAX];
  kiv_file_t* dir = nullptr;
  if (!resolve(target, resolved) || vfs_open(resolved, &dir) != KIV_ERR_NONE) return -1;
  int r = -1;
  if (fsop) r = kiv_fs_wait(kiv_fs_mount(dir, fsop, static_cast<kiv_file_t*>(data)));
  else r = kiv_fs_wait(kiv_disk_mount(dir, static_cast<kiv_mal_t*>(data)));
  vfs_close(dir);
  return r == KIV_ERR_NONE ? 0 : -1;
}

// ---- callback files -------------------------------------------------------------------------------

namespace {
kiv_file_t* entry_of(int fd) {
  kiv_linux_fd_t* d = file_fd(fd);
  return d && kiv_vfs_is_entry(file_of(d)) ? file_of(d) : nullptr;
}

void buffer_read(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  kiv_file_t* f = kiv_fs_target(area);
  uint64_t n = f->pos >= f->size ? 0 : f->size - f->pos;
  if (n > p.count) n = p.count;
  if (n) std::memcpy(p.buffer, static_cast<char*>(kiv_vfs_get_data(f)) + f->pos, n);
  kiv_eda_return(static_cast<int>(n));
}

void buffer_write(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  kiv_file_t* f = kiv_fs_target(area);
  if (f->pos >= f->size) return static_cast<void>(kiv_eda_return(-1));
  uint64_t n = f->size - f->pos;
  if (n > p.count) n = p.count;
  std::memcpy(static_cast<char*>(kiv_vfs_get_data(f)) + f->pos, p.buffer, n);
  kiv_eda_return(static_cast<int>(n));
}
}  // namespace

int kiv_linux_fs_bind_target(const char* path, void* data, kiv_area_handler_t read, kiv_area_handler_t write,
                             uint32_t attr, uint64_t size) {
  int fd = posix::open(path, 0);
  if (fd < 0) fd = posix::creat(path, 0);
  if (fd < 0) {
    char line[KIV_LINUX_PATH_MAX + 32];
    int n = std::snprintf(line, sizeof line, "fail to create %s.\r\n", path);
    posix::write(1, line, n < static_cast<int>(sizeof line) ? n : static_cast<int>(sizeof line) - 1);
    return -1;
  }
  kiv_file_t* f = entry_of(fd);
  int r = f ? kiv_vfs_bind_callback(f, data, read, write) : -1;
  if (r == 0) {
    f->attr = attr;
    f->size = size;
  }
  posix::close(fd);
  return r == 0 ? 0 : -1;
}

int kiv_linux_fs_bind_buffer(const char* path, void* buffer, uint32_t attr, uint64_t size) {
  return kiv_linux_fs_bind_target(path, buffer, buffer_read, buffer_write, attr, size);
}

int kiv_linux_fs_get_attr(int fd, uint32_t* out) {
  kiv_file_t* f = entry_of(fd);
  if (!f) return -1;
  *out = f->attr;
  return 0;
}

int kiv_linux_fs_add_attr(int fd, uint32_t bits) {
  kiv_file_t* f = entry_of(fd);
  if (!f) return -1;
  f->attr |= bits;
  return 0;
}

int kiv_linux_fs_get_data(int fd, void** out) {
  kiv_file_t* f = entry_of(fd);
  if (!f || (f->attr & KIV_FILE_ATTR_DIRECTORY)) return -1;
  *out = kiv_vfs_get_data(f);
  return 0;
}

int kiv_linux_fs_set_target(int fd, void* data, kiv_area_handler_t read, kiv_area_handler_t write) {
  kiv_file_t* f = entry_of(fd);
  return f && kiv_vfs_bind_callback(f, data, read, write) == 0 ? 0 : -1;
}

int kiv_linux_fs_get_data_path(const char* path, void** out) {
  int fd = posix::open(path, 0);
  if (fd < 0) return -1;
  int r = kiv_linux_fs_get_data(fd, out);
  posix::close(fd);
  return r;
}
