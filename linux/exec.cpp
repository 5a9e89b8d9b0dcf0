// Child processes, execl and per-process library storage.
#include "linux/exec.h"

#include <cstdarg>
#include <cstring>

#include "linux/fd.h"
#include "linux/libc/env_table.h"
#include "linux/libc/getopt.h"

namespace {

kiv_linux_thread_t* thread_of_node(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_linux_thread_t, thread_node); }

struct alignas(8) dynlib_block {  // aligned so that the module pointers after it are
  uint16_t mod_count;
  uint32_t data_size;
  uint32_t used;
  // one data pointer per module, then the data area
  void** mods() { return reinterpret_cast<void**>(this + 1); }
  char* data() { return reinterpret_cast<char*>(mods() + mod_count); }
};

uint16_t slots_given = 0;

void free_block(void* block) { kiv_linux_free_p(nullptr, block); }

}  // namespace

kiv_linux_process_t* kiv_linux_process_create(uint32_t stack_size) {
  kiv_linux_process_t* parent = kiv_linux_get_cur_process();
  kiv_linux_process_t* child = kiv_linux_process_alloc(stack_size);
  if (!child || !parent) return child;
  child->shell = parent->shell;
  kiv_linux_process_adopt(child);
  bool ok = !parent->cwd || (child->cwd = kiv_linux_strdup_p(child, parent->cwd)) != nullptr;
  if (ok && parent->environ) ok = kiv_linux_env_dup(child, parent->environ) == 0;
  if (!ok) {
    // Not started, so nobody would ever collect it: unlink it and free it now.
    kiv_linux_process_detach(child);
    kiv_linux_process_destroy(child);
    return nullptr;
  }
  return child;
}

int kiv_linux_env_dup(kiv_linux_process_t* process, char* const* list) {
  posix::allocator heap = kiv_linux_heap_allocator(process);
  for (; list && *list; ++list) {
    if (posix::env_table_put_copy(process->environ, *list, heap) != 0) {
      kiv_trace(KIV_TRACE_ERROR, "spawn: failed to dup env %s\r\n", *list);
      return -1;
    }
  }
  return 0;
}

int posix::execl(const char* path, const char* arg0, ...) {
  kiv_linux_thread_t* self = kiv_linux_get_cur_thread();
  kiv_linux_process_t* p = self ? self->process : nullptr;
  // Only the main thread may replace the program: another thread would leave the main
  // thread's pending waits behind.
  if (!p || thread_of_node(p->threads.first) != self) return -1;
  int fd = posix::open(path, 0);
  if (fd < 0) return -1;
  uint32_t attr = 0;
  void* entry = nullptr;
  bool ok = kiv_linux_fs_get_attr(fd, &attr) == 0 && (attr & KIV_FILE_ATTR_EXECUTE) &&
            !(attr & KIV_FILE_ATTR_DIRECTORY) && kiv_linux_fs_get_data(fd, &entry) == 0 && entry;
  posix::close(fd);
  if (!ok) return -1;
  if (p->argv_owned) {
    p->argv_owned = 0;
    for (int i = 0; i < p->argc; ++i) kiv_linux_free_p(p, p->argv[i]);
  }
  std::memset(p->argv, 0, sizeof p->argv);
  p->argc = 0;
  va_list args;
  va_start(args, arg0);
  for (const char* a = arg0; a && p->argc < KIV_LINUX_MAX_ARGS; a = va_arg(args, const char*))
    p->argv[p->argc++] = kiv_linux_strdup_p(p, a);
  va_end(args);
  p->main = reinterpret_cast<int (*)(int, char**)>(entry);
  kiv_eda_post_evt(&self->eda, KIV_EVT_INIT);
  for (;;) kiv_thread_wait();  // the INIT starts the main thread over; this chain is abandoned
}

int kiv_linux_library_init(int* lib_id, void* block, void (*destructor)(void* data)) {
  if (*lib_id < 0) {
    int slot = 0;
    while (slot < KIV_LINUX_DYNLIB_SLOTS && (slots_given & (1u << slot))) ++slot;
    if (slot == KIV_LINUX_DYNLIB_SLOTS) {
      *lib_id = -1;
      kiv_trace(KIV_TRACE_ERROR, "linux: fail to allocate pls for library\r\n");
      return KIV_ERR_NOT_ENOUGH_RESOURCES;
    }
    slots_given = static_cast<uint16_t>(slots_given | (1u << slot));
    kiv_linux_dynlib_mark_used(slot);
    *lib_id = slot;
  }
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  if (!p) return KIV_ERR_INVALID_STATE;
  if (p->dynlib[*lib_id].data) {
    kiv_trace(KIV_TRACE_WARNING, "linux: can not initiazlize a initizlized library\r\n");
    return KIV_ERR_ALREADY_EXISTS;
  }
  p->dynlib[*lib_id] = {block, destructor};
  return KIV_ERR_NONE;
}

void* kiv_linux_dynlib_ctx(const kiv_linux_dynlib_mod_t* module) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  if (!p) return nullptr;
  int slot = *module->lib_id;
  auto* block = slot >= 0 ? static_cast<dynlib_block*>(p->dynlib[slot].data) : nullptr;
  if (!block) {
    int size = static_cast<int>(sizeof(dynlib_block) + module->mod_count * sizeof(void*) + module->lib_size);
    block = static_cast<dynlib_block*>(kiv_linux_calloc_p(p, 1, size));
    if (!block) {
      kiv_trace(KIV_TRACE_ERROR, "linux: fail to allocate dynlib\r\n");
      return nullptr;
    }
    block->mod_count = module->mod_count;
    block->data_size = module->lib_size;
    if (kiv_linux_library_init(module->lib_id, block, free_block) < 0) {
      kiv_linux_free_p(p, block);
      kiv_trace(KIV_TRACE_ERROR, "linux: fail to allocate dynlib\r\n");
      return nullptr;
    }
  }
  void*& data = block->mods()[module->mod_index];
  if (!data) {
    uint32_t size = (module->mod_size + 3) & ~3u;
    if (block->used + size > block->data_size) return nullptr;
    data = block->data() + block->used;
    block->used += size;
    if (module->mod_init) module->mod_init(data);
  }
  return data;
}

namespace {
int getopt_lib = -1;
constexpr kiv_linux_dynlib_mod_t getopt_module{.lib_id = &getopt_lib, .mod_index = 0, .mod_count = 1,
                                               .lib_size = sizeof(posix::getopt_state),
                                               .mod_size = sizeof(posix::getopt_state),
                                               .mod_init = posix::getopt_state_init};
}  // namespace

void kiv_linux_getopt_bind() {
  posix::getopt_bind([] { return static_cast<posix::getopt_state*>(kiv_linux_dynlib_ctx(&getopt_module)); });
}
