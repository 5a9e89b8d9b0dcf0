// Environment start-up: console descriptors, the first process, the directory tree and
// device files, command installation, and /bin/init with its script before it becomes the
// interactive shell. kiv_linux_start runs on a kernel thread; the rest on environment threads.
#pragma once

#include "kernel/stream.h"

struct kiv_linux_streams_t {
  kiv_stream_t* input;
  kiv_stream_t* output;
  kiv_stream_t* error;
};

// The application's hook, run by the first process before /bin/init; 0 lets init run.
using kiv_linux_install_hook_t = int (*)();

// 0, or -7 when the first process cannot be created.
int kiv_linux_start(const kiv_linux_streams_t* streams, kiv_linux_install_hook_t install);
int kiv_linux_first_main(int argc, char** argv);
int kiv_linux_create_fhs();
int kiv_linux_install_builtins();
int kiv_linux_install_command(const char* path, int (*entry)(int, char**));
int init_main(int argc, char** argv);

// The init script, in order.
inline constexpr const char* kiv_linux_init_script[] = {
    "echo \"kiv build on May  2 2022\"", "mkdir -p /mnt/hostfs", "mount -t winfs . /mnt/hostfs",
    "cd /mnt/hostfs",                    "export GIT_SSL_NO_VERIFY=", "lvgl &"};
