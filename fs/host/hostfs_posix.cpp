// Host file access over the POSIX file API. The host's flags and error numbers stay in here.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "fs/host/hostfs_access.h"

namespace {

hostfs_err from_errno(int e) {
  switch (e) {
    case 0: return hostfs_err::none;
    case ENOENT: return hostfs_err::not_found;
    case EEXIST: return hostfs_err::exists;
    case EACCES: case EPERM: case EROFS: case ETXTBSY: return hostfs_err::access;
    case ENOTDIR: return hostfs_err::not_dir;
    case EISDIR: return hostfs_err::is_dir;
    case ENOTEMPTY: return hostfs_err::not_empty;
    case ENOSPC: case EDQUOT: case EFBIG: return hostfs_err::no_space;
    case EINVAL: case EBADF: case ENAMETOOLONG: case ELOOP: return hostfs_err::invalid;
    default: return hostfs_err::io;
  }
}

hostfs_err last_error() { return from_errno(errno); }

// A search handle is the host's directory stream itself; the type stays opaque outside.
DIR* host_dir(hostfs_dir* d) { return reinterpret_cast<DIR*>(d); }

void fill_info(const struct stat& st, const char* path, int fd, hostfs_info* info) {
  if (!info) return;
  info->kind = S_ISREG(st.st_mode)   ? hostfs_kind::regular
               : S_ISDIR(st.st_mode) ? hostfs_kind::directory
                                     : hostfs_kind::other;
  // No write bit at all is the host's "read-only" mark; it holds even for a privileged user.
  bool may_write = fd >= 0 ? (fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY
                           : faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
  info->writable = (st.st_mode & 0222) != 0 && may_write;
  info->size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
}

int open_flags(unsigned flags) {
  int f = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  bool read = flags & HOSTFS_OPEN_READ, write = flags & HOSTFS_OPEN_WRITE;
  f |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  if (flags & HOSTFS_OPEN_CREATE_NEW) f |= O_CREAT | O_EXCL;
  return f;
}

}  // namespace

hostfs_err hostfs_stat(const char* path, hostfs_info* info) {
  struct stat st {};
  if (stat(path, &st) != 0) return last_error();
  fill_info(st, path, -1, info);
  return hostfs_err::none;
}

hostfs_err hostfs_open(const char* path, unsigned flags, int* handle, hostfs_info* info) {
  int fd;
  do fd = open(path, open_flags(flags), 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return last_error();
  // Opened without blocking (a FIFO would otherwise hold the thread); transfers block as usual.
  int fl = fcntl(fd, F_GETFL);
  if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    hostfs_err e = last_error();
    close(fd);
    return e;
  }
  fill_info(st, path, fd, info);
  *handle = fd;
  return hostfs_err::none;
}

void hostfs_close(int handle) {
  if (handle >= 0) close(handle);
}

hostfs_err hostfs_read(int handle, uint64_t offset, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  while (*done < count) {
    ssize_t n = pread(handle, static_cast<char*>(buffer) + *done, count - *done, static_cast<off_t>(offset + *done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return last_error();
    if (n == 0) break;
    *done += static_cast<uint32_t>(n);
  }
  return hostfs_err::none;
}

hostfs_err hostfs_write(int handle, uint64_t offset, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  while (*done < count) {
    ssize_t n = pwrite(handle, static_cast<const char*>(buffer) + *done, count - *done,
                       static_cast<off_t>(offset + *done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return *done ? hostfs_err::none : last_error();  // a part was written: report that
    if (n == 0) break;
    *done += static_cast<uint32_t>(n);
  }
  return hostfs_err::none;
}

hostfs_err hostfs_truncate(int handle, uint64_t size) {
  if (size > static_cast<uint64_t>(INT64_MAX)) return hostfs_err::invalid;
  int r;
  do r = ftruncate(handle, static_cast<off_t>(size));
  while (r != 0 && errno == EINTR);
  return r == 0 ? hostfs_err::none : last_error();
}

hostfs_err hostfs_opendir(const char* path, hostfs_dir** dir) {
  DIR* d = opendir(path);
  if (!d) return last_error();
  *dir = reinterpret_cast<hostfs_dir*>(d);
  return hostfs_err::none;
}

hostfs_err hostfs_readdir(hostfs_dir* dir, const char** name) {
  errno = 0;
  dirent* e = readdir(host_dir(dir));
  *name = e ? e->d_name : nullptr;
  return e || errno == 0 ? hostfs_err::none : last_error();
}

void hostfs_closedir(hostfs_dir* dir) {
  if (dir) closedir(host_dir(dir));
}

hostfs_err hostfs_mkdir(const char* path) { return mkdir(path, 0777) == 0 ? hostfs_err::none : last_error(); }
hostfs_err hostfs_rmdir(const char* path) { return rmdir(path) == 0 ? hostfs_err::none : last_error(); }
hostfs_err hostfs_unlink(const char* path) { return unlink(path) == 0 ? hostfs_err::none : last_error(); }

hostfs_err hostfs_entry_is_dir(const char* path, bool* is_dir) {
  struct stat st {};
  if (lstat(path, &st) != 0) return last_error();
  *is_dir = S_ISDIR(st.st_mode);
  return hostfs_err::none;
}

hostfs_err hostfs_rename(const char* from, const char* to, int* host_errno) {
  int r = renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
  if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // A host filesystem that cannot refuse a replacement itself: look first.
    struct stat st {};
    if (lstat(to, &st) == 0) {
      errno = EEXIST;
    } else if (errno == ENOENT) {
      r = rename(from, to);
    }
  }
  *host_errno = r == 0 ? 0 : errno;
  return r == 0 ? hostfs_err::none : from_errno(*host_errno);
}
