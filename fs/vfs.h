// Virtual filesystem: the one tree of file objects, path walks, open counts, mounting, and the
// dispatch of every file operation to the filesystem that owns the object.
// Operations marked "sub-call" start a sub-call of the current eda and return 0 when it
// started (a negative code when it could not): an eda then gets KIV_EVT_RETURN and reads
// kiv_eda_get_return_value(); a thread is blocked until the operation is done, so it can use
// kiv_fs_wait(kiv_file_read(...)) to get the result at once. Kernel task context only.
// Errors are kiv_err_t codes: -4 name not found, -8 invalid access, -13 exists, -7 fs failure.
#pragma once

#include <cstdint>

#include "kernel/kernel.h"

inline constexpr uint32_t KIV_FILE_ATTR_READ = 0x01;
inline constexpr uint32_t KIV_FILE_ATTR_WRITE = 0x02;
inline constexpr uint32_t KIV_FILE_ATTR_EXECUTE = 0x04;
inline constexpr uint32_t KIV_FILE_ATTR_HIDDEN = 0x08;
inline constexpr uint32_t KIV_FILE_ATTR_DIRECTORY = 0x10;
inline constexpr uint32_t KIV_FILE_ATTR_DYN = 0x80;
inline constexpr uint32_t KIV_FILE_ATTR_ARCHIVE = 0x100;

struct kiv_fs_op_t;

// The common head of every filesystem object.
struct kiv_file_t {
  uint32_t attr;
  const char* name;
  uint64_t size;
  uint8_t fs_private[24];
  const kiv_fs_op_t* fsop;
  kiv_file_t* fsinfo;  // root object of the filesystem instance
  kiv_file_t* parent;
  uint64_t pos;
  int32_t refcount;
  bool mounted;  // an in-memory directory with another filesystem grafted onto it
};

// A filesystem handler runs as a sub-call: its frame's `param` is the target object
// (kiv_fs_target(area)), its parameter area starts with the operation's parameter block and
// continues with `frame` private bytes. It ends with kiv_eda_return(result).
struct kiv_fs_handler_t {
  kiv_area_handler_t fn;
  uint8_t frame;
};

struct kiv_fs_op_t {
  kiv_fs_handler_t mount, unmount, rename;                   // filesystem
  kiv_fs_handler_t close, read, write, resize, setpos;       // file
  kiv_fs_handler_t lookup, create, unlink;                   // directory
};

// Parameter blocks of the operations.
struct kiv_fs_rw_param_t { void* buffer; uint32_t count; };
struct kiv_fs_resize_param_t { uint64_t size; };
struct kiv_fs_setpos_param_t { uint64_t offset; uint64_t* result; };
struct kiv_fs_lookup_param_t { const char* name; kiv_file_t** result; };
struct kiv_fs_create_param_t { const char* name; uint32_t attr; };
struct kiv_fs_unlink_param_t { const char* name; };
struct kiv_fs_rename_param_t { kiv_file_t* old_dir; const char* old_name; kiv_file_t* new_dir; const char* new_name; };

inline kiv_file_t* kiv_fs_target(void* area) { return static_cast<kiv_file_t*>(kiv_eda_frame_param(area)); }

// Shared handlers for slots a filesystem does not offer, or that have nothing to do.
void kiv_fs_not_supported(void* area, kiv_evt_t evt);
void kiv_fs_nothing(void* area, kiv_evt_t evt);
inline constexpr kiv_fs_handler_t KIV_FS_NOT_SUPPORTED{kiv_fs_not_supported, 0};
inline constexpr kiv_fs_handler_t KIV_FS_NOTHING{kiv_fs_nothing, 0};

// Starts `h` on `target` with a copy of `block`; the sub-call result convention above.
int kiv_fs_call(const kiv_fs_handler_t& h, kiv_file_t* target, const void* block, uint16_t block_size);
// For threads: the result of an operation that was started (or the start failure).
int kiv_fs_wait(int started);

void kiv_fs_init();
kiv_file_t* kiv_fs_root();
kiv_file_t* kiv_file_alloc(int size);
void kiv_file_free(kiv_file_t* file);

int kiv_file_open(kiv_file_t* dir, const char* path, kiv_file_t** result);  // sub-call
int kiv_file_close(kiv_file_t* file);                                       // sub-call
int kiv_file_read(kiv_file_t* file, void* buffer, uint32_t count);          // sub-call
int kiv_file_write(kiv_file_t* file, const void* buffer, uint32_t count);   // sub-call
int kiv_file_setsize(kiv_file_t* file, uint64_t size);                      // sub-call
int kiv_file_seek(kiv_file_t* file, int64_t offset, int whence);            // sub-call
uint64_t kiv_file_tell(const kiv_file_t* file);
int kiv_file_create(kiv_file_t* dir, const char* name, uint32_t attr);      // sub-call
int kiv_file_unlink(kiv_file_t* dir, const char* name);                     // sub-call
int kiv_file_rename(kiv_file_t* old_dir, const char* old_name, kiv_file_t* new_dir, const char* new_name);  // sub-call
int kiv_fs_mount(kiv_file_t* dir, const kiv_fs_op_t* fsop, kiv_file_t* data);  // sub-call
kiv_file_t* kiv_file_get_parent(kiv_file_t* file);
int32_t kiv_file_get_refcount(const kiv_file_t* file);
const char* kiv_file_getfilename(const char* path);
bool kiv_file_is_match(const char* path, const char* name);
inline bool kiv_file_is_separator(char c) { return c == '/' || c == '\\'; }

// Moves `count` bytes of `file` into `stream`, as the stream makes room, writing straight into
// the stream's write area. The pump registers itself as the stream's writer and disconnects
// when done or when a read fails; the sub-call returns 0 and `total` says what was moved.
struct kiv_file_pump_t {
  kiv_file_t* file;
  uint32_t count;  // bytes still to move
  uint32_t total;
  kiv_stream_t* stream;
  int free;        // the stream's contiguous free space, when it last said
  void* wbuf;
  kiv_eda_t* task;
};
int kiv_file_read_to_stream(kiv_file_pump_t* pump, kiv_stream_t* stream);  // sub-call

// ---- the in-memory filesystem -----------------------------------------------------------------
struct kiv_vfs_file_t {
  kiv_file_t file;
  kiv_list_node_t node;  // in the directory's children
  void* d0;  // directory: first child; file: data; mounted: grafted fsop
  void* d1;  // directory: last child; callback file: read handler; mounted: grafted data object
  void* d2;  // callback file: write handler; mounted: grafted root
};
extern const kiv_fs_op_t kiv_vfs_fsop;
// Creates a callback file `name` in the in-memory directory `dir` whose read and write are the
// given handlers (either may be null). Runs at once (no sub-call); 0 or a negative code.
int kiv_vfs_create_callback(kiv_file_t* dir, const char* name, uint32_t attr, kiv_area_handler_t read,
                            kiv_area_handler_t write);
// Turns an in-memory file into a callback file: `data` in d0 (a command's entry, a buffer, a
// socket), handlers in d1/d2 (either may be null: that direction is refused). Any content the
// file held is released. KIV_ERR_INVALID_ACCESS for anything but an in-memory non-directory.
int kiv_vfs_bind_callback(kiv_file_t* file, void* data, kiv_area_handler_t read, kiv_area_handler_t write);
bool kiv_vfs_is_entry(const kiv_file_t* file);  // belongs to the in-memory filesystem
void* kiv_vfs_get_data(const kiv_file_t* file);  // d0 of a callback file, else null
