// Host file access for the host-directory filesystem: the only door to the host's own file
// API. Paths are UTF-8 host paths; handles are plain numbers or opaque directory searches.
// Every call is synchronous and blocks the calling host thread for the host call's duration
// (local files); none takes kernel locks, so any thread may call it.
// Errors come back as hostfs_err, translated from the host's error numbers at this border;
// rename also hands out the host's own number, for messages.
#pragma once

#include <cstdint>

enum class hostfs_err : int8_t {
  none,
  not_found,   // the path (or a folder on it) does not exist
  exists,      // create or rename onto a name that exists
  access,      // permission denied or read-only host filesystem
  not_dir,     // a folder was needed
  is_dir,      // a file was needed
  not_empty,   // folder still has entries
  no_space,    // disk full or quota
  invalid,     // argument the host refused (bad handle, name too long, ...)
  io,          // any other host failure
};

enum class hostfs_kind : uint8_t { regular, directory, other };

struct hostfs_info {
  hostfs_kind kind;
  bool writable;  // some write permission bit is set and this process may write
  uint64_t size;
};

// Open flags, our own: the host's are chosen inside the access layer.
inline constexpr unsigned HOSTFS_OPEN_READ = 1u;
inline constexpr unsigned HOSTFS_OPEN_WRITE = 2u;
inline constexpr unsigned HOSTFS_OPEN_CREATE_NEW = 4u;  // create; fail with `exists` if present

struct hostfs_dir;  // an open directory search

// Follows symbolic links, as an open would.
hostfs_err hostfs_stat(const char* path, hostfs_info* info);
// Opens without ever blocking on special files; `info` (may be null) describes what was opened.
hostfs_err hostfs_open(const char* path, unsigned flags, int* handle, hostfs_info* info);
void hostfs_close(int handle);
// Transfers at an explicit offset; `done` is less than `count` only at end of file (read) or
// when the host stopped early (write).
hostfs_err hostfs_read(int handle, uint64_t offset, void* buffer, uint32_t count, uint32_t* done);
hostfs_err hostfs_write(int handle, uint64_t offset, const void* buffer, uint32_t count, uint32_t* done);
hostfs_err hostfs_truncate(int handle, uint64_t size);

hostfs_err hostfs_opendir(const char* path, hostfs_dir** dir);
// The next entry's name (valid until the next call on `dir`), or null at the end.
hostfs_err hostfs_readdir(hostfs_dir* dir, const char** name);
void hostfs_closedir(hostfs_dir* dir);

hostfs_err hostfs_mkdir(const char* path);
hostfs_err hostfs_rmdir(const char* path);
// Removes a non-folder entry (a symbolic link itself, not its target).
hostfs_err hostfs_unlink(const char* path);
// Does not follow a final symbolic link: tells whether `path` is a folder, or not_found.
hostfs_err hostfs_entry_is_dir(const char* path, bool* is_dir);
// Never replaces an existing `to`; `host_errno` receives the host's error number on failure.
hostfs_err hostfs_rename(const char* from, const char* to, int* host_errno);
