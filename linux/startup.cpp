// Environment start-up, the directory tree and device files, command installation, init.
#include "linux/startup.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "linux/builtins.h"
#include "linux/exec.h"
#include "linux/shell.h"
#include "linux/stdio.h"
#include "linux/terminfo.h"

namespace {

kiv_linux_install_hook_t install_hook = nullptr;

// Prints `message` on standard error and passes `result` on.
int fail(int result, const char* message, const char* path = nullptr) {
  posix::fprintf(posix::stderr_file(), message, path);
  return result;
}

void null_write(void* area, kiv_evt_t evt) {
  if (evt == KIV_EVT_INIT) kiv_eda_return(static_cast<int>(static_cast<kiv_fs_rw_param_t*>(area)->count));
}

void zero_read(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  std::memset(p.buffer, 0, p.count);
  kiv_eda_return(static_cast<int>(p.count));
}

void random_read(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  auto* bytes = static_cast<unsigned char*>(p.buffer);
  for (uint32_t i = 0; i < p.count; ++i) bytes[i] = static_cast<unsigned char>(std::rand() & 0xFF);
  kiv_eda_return(static_cast<int>(p.count));
}

int create_devices() {
  if (posix::mkdir("/dev", 0) != 0) return fail(-1, "fail to mkdir /dev\r\n");
  if (kiv_linux_fs_bind_target("dev/null", nullptr, nullptr, null_write, KIV_FILE_ATTR_WRITE, 0) != 0)
    return fail(-1, "fail to bind /dev/null\r\n");
  if (kiv_linux_fs_bind_target("dev/zero", nullptr, zero_read, nullptr, KIV_FILE_ATTR_READ, 0) != 0)
    return fail(-1, "fail to bind /dev/zero\r\n");
  std::srand(static_cast<unsigned>(kiv_systimer_get_tick()));
  for (const char* path : {"/dev/random", "/dev/urandom"}) {
    if (kiv_linux_fs_bind_target(path, nullptr, random_read, nullptr, KIV_FILE_ATTR_READ, ~0ull) == 0)
      posix::printf("%s bound.\r\n", path);
  }
  return 0;
}

}  // namespace

int kiv_linux_start(const kiv_linux_streams_t* streams, kiv_linux_install_hook_t install) {
  install_hook = install;
  kiv_linux_process_reset_counters();
  kiv_fs_init();
  kiv_linux_libc_bind();
  kiv_linux_getopt_bind();
  kiv_linux_console_init(streams->input, streams->output, streams->error);
  kiv_linux_process_t* first = kiv_linux_process_alloc(0);
  if (!first) return KIV_ERR_INVALID_STATE;
  first->priority = 0;
  first->main = kiv_linux_first_main;
  first->cwd = kiv_linux_strdup_p(first, "/");
  if (!first->cwd) {
    kiv_linux_process_destroy(first);
    return KIV_ERR_INVALID_STATE;
  }
  kiv_linux_process_start(first);
  return 0;
}

int kiv_linux_first_main(int, char**) {
  if (install_hook && install_hook() != 0) return 0;
  posix::execl("/bin/init", "init", nullptr);
  return 0;
}

int kiv_linux_create_fhs() {
  if (kiv_linux_mkdir_p("/var/run") != 0) return fail(-1, "fail to mkdir /var/run\r\n");
  if (posix::mkdir("/var/lib", 0) != 0) return fail(-1, "fail to mkdir /var/lib\r\n");
  if (posix::mkdir("/run", 0) != 0) return fail(-1, "fail to mkdir /run\r\n");
  if (int r = create_devices(); r != 0) return r;
  const char* terminfo_dir = "/usr/share/terminfo/v";
  if (kiv_linux_mkdir_p(terminfo_dir) != 0) return fail(-1, "fail to mkdir %s\r\n", terminfo_dir);
  kiv_linux_fs_bind_buffer("/usr/share/terminfo/v/vt100", const_cast<unsigned char*>(kiv_linux_vt100_terminfo),
                           KIV_FILE_ATTR_READ, KIV_LINUX_VT100_TERMINFO_SIZE);
  posix::putenv(posix::strdup("TERM=vt100"));
  posix::putenv(posix::strdup("TERMINFO=/usr/share/terminfo"));
  return 0;
}

int kiv_linux_install_command(const char* path, int (*entry)(int, char**)) {
  int fd = posix::open(path, 0);
  if (fd < 0) fd = posix::creat(path, 0);
  if (fd < 0) {
    posix::printf("fail to install %s.\r\n", path);
    return fd;
  }
  if (kiv_linux_fs_set_target(fd, reinterpret_cast<void*>(entry), nullptr, nullptr) == 0)
    kiv_linux_fs_add_attr(fd, KIV_FILE_ATTR_EXECUTE);
  posix::close(fd);
  posix::printf("%s installed.\r\n", path);
  return fd;
}

int kiv_linux_install_builtins() {
  if (kiv_linux_mkdir_p("/bin") != 0) return -1;
  struct builtin {
    const char* path;
    int (*entry)(int, char**);
  };
  constexpr builtin table[] = {{"/bin/init", init_main},   {"/bin/sh", sh_main},       {"/bin/ls", ls_main},
                               {"/bin/cd", cd_main},       {"/bin/pwd", pwd_main},     {"/bin/cat", cat_main},
                               {"/bin/echo", echo_main},   {"/bin/mkdir", mkdir_main}, {"/bin/clear", clear_main},
                               {"/bin/time", time_main},   {"/bin/export", export_main}};
  for (const builtin& b : table)
    if (kiv_linux_install_command(b.path, b.entry) < 0) return -1;
  return 0;
}

int init_main(int argc, char** argv) {
  posix::setenv("PATH", "/bin", 1);
  for (const char* line : kiv_linux_init_script) {
    posix::printf("execute init script: %s\r\n", line);
    posix::system(line);
  }
  return sh_main(argc, argv);
}
