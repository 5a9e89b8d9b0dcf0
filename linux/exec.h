// Child processes (created by copying what a command inherits: session, working directory,
// environment), execl (restarts the main thread with another command's entry) and
// per-process library storage. Environment threads only; execl does not return on success.
#pragma once

#include <cstdint>

#include "linux/process.h"

struct kiv_linux_dynlib_mod_t {
  int* lib_id;  // the library's slot, -1 until one is given
  uint16_t mod_index;
  uint16_t mod_count;
  uint32_t lib_size;
  uint32_t mod_size;
  void (*mod_init)(void* data);
};

kiv_linux_process_t* kiv_linux_process_create(uint32_t stack_size);
int kiv_linux_env_dup(kiv_linux_process_t* process, char* const* list);
void* kiv_linux_dynlib_ctx(const kiv_linux_dynlib_mod_t* module);
int kiv_linux_library_init(int* lib_id, void* block, void (*destructor)(void* data));
// Binds getopt's state to this process's library storage.
void kiv_linux_getopt_bind();

namespace posix {
int execl(const char* path, const char* arg0, ...);
}
