// Descriptors of the environment: per-process descriptor tables over shared descriptions,
// descriptor classes (file, console stream, pipe ends), readiness events with levels, pending
// and sticky events, poll, and the POSIX file operations over the VFS (path resolution against
// the working directory, device and callback files, directories, mount).
// Every call runs on an environment thread; reads, writes, poll and the file operations may
// block the calling thread (never the kernel). Failures return -1 and set errno where stated.
#pragma once

#include <cstdint>

#include "fs/vfs.h"
#include "linux/process.h"

// ---- the environment's own constants ------------------------------------------------------------
inline constexpr int KIV_O_RDONLY = 0, KIV_O_WRONLY = 1, KIV_O_RDWR = 2;
inline constexpr int KIV_O_NONBLOCK = 0x4, KIV_O_APPEND = 0x8, KIV_O_DIRECTORY = 0x100, KIV_O_CREAT = 0x200,
                     KIV_O_TRUNC = 0x400, KIV_O_EXCL = 0x800, KIV_O_CLOEXEC = 0x1000;
inline constexpr int KIV_F_DUPFD = 0, KIV_F_GETFD = 1, KIV_F_SETFD = 2, KIV_F_GETFL = 3, KIV_F_SETFL = 4;
inline constexpr int KIV_R_OK = 2, KIV_W_OK = 4, KIV_X_OK = 8;
inline constexpr uint16_t KIV_POLLIN = 0x1, KIV_POLLOUT = 0x2, KIV_POLLPRI = 0x4, KIV_POLLHUP = 0x8,
                          KIV_POLLERR = 0x10, KIV_POLLNVAL = 0x20;
inline constexpr uint32_t KIV_S_IFIFO = 0x1000, KIV_S_IFDIR = 0x4000, KIV_S_IFBLK = 0x6000, KIV_S_IFREG = 0x8000,
                          KIV_S_IFSOCK = 0xC000;
inline constexpr uint8_t KIV_DT_REG = 1, KIV_DT_DIR = 2, KIV_DT_EXE = 8;
inline constexpr uint32_t KIV_FILE_ATTR_BLOCK = 0x200, KIV_FILE_ATTR_EXCL = 0x800, KIV_FILE_ATTR_SOCKET = 0x1000;
inline constexpr int KIV_LINUX_PATH_MAX = 260;

struct kiv_linux_fd_t;
struct kiv_linux_fd_priv_t;

struct kiv_linux_fd_op_t {
  int priv_size;
  int (*fcntl)(kiv_linux_fd_t* fd, int command, int argument);
  int (*read)(kiv_linux_fd_t* fd, void* buffer, int count);
  int (*write)(kiv_linux_fd_t* fd, const void* buffer, int count);
  int (*close)(kiv_linux_fd_t* fd);
  int (*eof)(kiv_linux_fd_t* fd);
};

struct kiv_linux_fd_priv_t {
  kiv_linux_fd_priv_t* link;
  int flags;
  kiv_linux_trigger_t* trigger;
  uint16_t wait_events;
  uint16_t got_events;
  uint16_t level_events;
  uint16_t pending_events;
  uint16_t sticky_events;
  int refcount;
  void* target;
  void* target2;
  void (*on_event)(kiv_linux_fd_priv_t* priv, int zero, uint16_t events, bool set);
};

struct kiv_linux_fd_t {
  int fd;
  int fd_flags;
  const kiv_linux_fd_op_t* op;
  kiv_list_node_t fd_node;
  kiv_linux_fd_priv_t* priv;
};

namespace posix {
struct dirent {
  int d_ino;  // entry counter
  int d_off;  // position before the read
  uint16_t d_reclen;
  uint8_t d_type;
  const char* d_name;
};
using DIR = kiv_linux_fd_t;
struct pollfd {
  int fd;
  short events;
  short revents;
};
struct stat {
  uint32_t st_mode;
  uint32_t st_size;
};
}  // namespace posix

extern const kiv_linux_fd_op_t kiv_linux_file_op;
extern const kiv_linux_fd_op_t kiv_linux_console_op;
extern const kiv_linux_fd_op_t kiv_linux_pipe_rx_op;
extern const kiv_linux_fd_op_t kiv_linux_pipe_tx_op;

// ---- descriptor table -------------------------------------------------------------------------
int kiv_linux_fd_create(kiv_linux_process_t* process, kiv_linux_fd_t** out, const kiv_linux_fd_op_t* op, int number,
                        kiv_linux_fd_priv_t* shared);
kiv_linux_fd_t* kiv_linux_fd_get(int number);
kiv_linux_fd_t* kiv_linux_fd_find(kiv_linux_process_t* process, int number);
void kiv_linux_fd_free(kiv_linux_process_t* process, int number);
int kiv_linux_fd_close(kiv_linux_process_t* process, int number);
// Process life: every descriptor closed at the end; 0..2 shared from `source` at the start.
void kiv_linux_fd_close_all(kiv_linux_process_t* process);
void kiv_linux_fd_inherit_std(kiv_linux_process_t* process, kiv_linux_process_t* source);

// ---- readiness --------------------------------------------------------------------------------
uint16_t kiv_linux_fd_wait_events(kiv_linux_fd_priv_t* priv, uint16_t events, kiv_linux_trigger_t* waiter);
void kiv_linux_fd_set_pending(kiv_linux_fd_priv_t* priv, uint16_t events);
void kiv_linux_fd_set_level(kiv_linux_fd_priv_t* priv, uint16_t events);
void kiv_linux_fd_clear_level(kiv_linux_fd_priv_t* priv, uint16_t events);
void kiv_linux_fd_notify(kiv_linux_fd_priv_t* priv, uint16_t events, bool set);

// ---- paths and the file system ----------------------------------------------------------------
int kiv_linux_generate_path(char* out, int size, const char* base, const char* path);
int kiv_linux_mkdir_p(const char* path);
int kiv_linux_chdir(kiv_linux_process_t* process, const char* path);
int kiv_linux_fs_bind_target(const char* path, void* data, kiv_area_handler_t read, kiv_area_handler_t write,
                             uint32_t attr, uint64_t size);
int kiv_linux_fs_bind_buffer(const char* path, void* buffer, uint32_t attr, uint64_t size);
int kiv_linux_fs_get_attr(int fd, uint32_t* out);
int kiv_linux_fs_add_attr(int fd, uint32_t bits);
int kiv_linux_fs_get_data(int fd, void** out);
int kiv_linux_fs_set_target(int fd, void* data, kiv_area_handler_t read, kiv_area_handler_t write);
int kiv_linux_fs_get_data_path(const char* path, void** out);

// ---- streams: console and pipes ---------------------------------------------------------------
void kiv_linux_fd_bind_reader(kiv_linux_fd_priv_t* priv, kiv_stream_t* stream);
void kiv_linux_fd_bind_writer(kiv_linux_fd_priv_t* priv, kiv_stream_t* stream);
void kiv_linux_stream_event(kiv_stream_t* stream, void* priv, kiv_stream_evt_t evt);
void kiv_linux_console_err_event(kiv_linux_fd_priv_t* priv, int zero, uint16_t events, bool set);
// Builds the console descriptors 0..2 of the root record over the given streams.
int kiv_linux_console_init(kiv_stream_t* input, kiv_stream_t* output, kiv_stream_t* error);
bool kiv_linux_is_console(int number);
bool kiv_linux_is_shell_stdio(int number);
kiv_linux_fd_t* kiv_linux_pipe_rx_create(kiv_stream_t* stream);
kiv_linux_fd_t* kiv_linux_pipe_tx_create(kiv_linux_fd_priv_t* rx);

// ---- POSIX calls --------------------------------------------------------------------------------
namespace posix {
int open(const char* path, int flags, int mode = 0);
int creat(const char* path, int mode);
int close(int fd);
int read(int fd, void* buffer, int count);
int write(int fd, const void* buffer, int count);
int fcntl(int fd, int command, int argument = 0);
int poll(pollfd* fds, int count, int timeout_ms);
int64_t lseek(int fd, int64_t offset, int whence);
int ftruncate(int fd, int64_t length);
int fstat(int fd, struct stat* st);
// As in POSIX, the function and the record share the name `stat`.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
int stat(const char* path, struct stat* st);
#pragma GCC diagnostic pop
int access(const char* path, int mode);
int mkdir(const char* path, int mode);
int unlink(const char* path);
int rename(const char* old_path, const char* new_path);
DIR* opendir(const char* path);
dirent* readdir(DIR* dir);
int closedir(DIR* dir);
char* getcwd(char* buffer, int size);
// With a filesystem table, grafts it with `data` as its root object; without, `data` is a block
// device (kiv_mal_t) whose FAT partitions are mounted as directories of `target`.
int mount(const char* source, const char* target, const kiv_fs_op_t* fsop, int flags, void* data);
int pipe(int fds[2]);
int tcgetattr(int fd, kiv_linux_termios_t* settings);
int tcsetattr(int fd, int actions, const kiv_linux_termios_t* settings);
}  // namespace posix
