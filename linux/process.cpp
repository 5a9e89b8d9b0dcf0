// Process records, thread records, exit and waitpid.
#include "linux/process.h"

#include "linux/fd.h"

#include <cstring>

namespace {

kiv_queue_t process_list;
int pid_counter = 0;
int tid_counter = 0;
uint16_t dynlib_used = 0;
int orphan_errno = 0;  // errno of code that runs outside any environment thread

kiv_linux_process_t* process_of_node(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_linux_process_t, process_node); }
kiv_linux_process_t* process_of_child(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_linux_process_t, child_node); }
kiv_linux_thread_t* thread_of_node(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_linux_thread_t, thread_node); }

std::size_t round8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }
std::size_t head_size(const kiv_linux_thread_op_t* op) { return round8(sizeof(kiv_linux_thread_t) + op->private_size); }

void main_entry(kiv_thread_cb_t* cb);

bool is_linked(kiv_linux_thread_t* t) {
  return t->process && !t->detached && t->process->threads.holds(&t->thread_node);
}

}  // namespace

kiv_linux_process_t kiv_linux_root{};

kiv_linux_termios_t kiv_linux_termios_default() {
  kiv_linux_termios_t t{};
  t.c_oflag = 0x5;
  t.c_lflag = 0x7A;
  t.c_cc[2] = 0x08;
  t.c_cc[3] = 0x15;
  t.c_cc[6] = 1;
  t.c_cc[14] = 0x17;
  return t;
}

// ---- current thread ------------------------------------------------------------------------------

kiv_linux_thread_t* kiv_linux_get_cur_thread() {
  kiv_thread_cb_t* cb = kiv_thread_cur_cb();
  if (!cb || (cb->entry != kiv_linux_main_thread_op.entry && cb->entry != kiv_linux_pthread_op.entry)) return nullptr;
  return KIV_CONTAINER_OF(cb, kiv_linux_thread_t, cb);
}

kiv_linux_process_t* kiv_linux_get_cur_process() {
  kiv_linux_thread_t* t = kiv_linux_get_cur_thread();
  return t ? t->process : nullptr;
}

int& posix::errno_ref() {
  kiv_linux_thread_t* t = kiv_linux_get_cur_thread();
  return t ? t->err : orphan_errno;
}

uint16_t kiv_linux_dynlib_slots_used() { return dynlib_used; }
void kiv_linux_dynlib_mark_used(int slot) { dynlib_used = static_cast<uint16_t>(dynlib_used | (1u << slot)); }

// ---- threads -------------------------------------------------------------------------------------

const kiv_linux_thread_op_t kiv_linux_main_thread_op{
    .private_size = 0, .entry = main_entry, .on_terminate = kiv_linux_thread_on_terminate};

kiv_linux_thread_t* kiv_linux_thread_create(kiv_linux_process_t* process, const kiv_linux_thread_op_t* op,
                                            uint32_t stack_size, void* stack) {
  if (stack_size == 0) stack_size = KIV_LINUX_DEFAULT_STACK;
  std::size_t head = head_size(op);
  std::size_t total = stack ? head : head + round8(stack_size) + 15;
  if (total > 0x7FFFFFFF) return nullptr;
  auto* t = static_cast<kiv_linux_thread_t*>(kiv_heap_malloc_aligned(static_cast<int>(total), 8));
  if (!t) return nullptr;
  std::memset(static_cast<void*>(t), 0, head);
  if (!stack) {  // the stack follows the head, 16-byte aligned for the host ABI
    auto start = (reinterpret_cast<uintptr_t>(t) + head + 15) & ~uintptr_t{15};
    stack = reinterpret_cast<void*>(start);
  }
  t->op = op;
  t->eda.on_terminate = op->on_terminate;
  t->cb.entry = op->entry;
  t->cb.stack = stack;
  t->cb.stack_size = stack_size;
  t->process = process ? process : kiv_linux_get_cur_process();
  t->tid = tid_counter++;
  if (t->process) t->process->threads.append(&t->thread_node);
  return t;
}

kiv_err_t kiv_linux_thread_start(kiv_linux_thread_t* thread, int priority) {
  if (priority == -1 && thread->process) priority = thread->process->priority;
  return kiv_thread_start(&thread->eda, &thread->cb, priority);
}

void* kiv_linux_thread_private(kiv_linux_thread_t* thread) { return thread + 1; }

kiv_linux_thread_t* kiv_linux_thread_find(int tid) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  if (!p) return nullptr;
  for (kiv_list_node_t* n = p->threads.first; n; n = n->next)
    if (thread_of_node(n)->tid == tid) return thread_of_node(n);
  return nullptr;
}

void kiv_linux_thread_unlink(kiv_linux_thread_t* thread) {
  if (is_linked(thread)) thread->process->threads.remove(&thread->thread_node);
}

void kiv_linux_thread_detach(kiv_linux_thread_t* thread) {
  if (!is_linked(thread)) return;
  thread->process->threads.remove(&thread->thread_node);
  if (thread->op) {
    thread->detached = true;
    thread->process->detached.append(&thread->thread_node);
  } else {
    kiv_heap_free(thread);  // already ended
  }
}

void kiv_linux_thread_on_terminate(kiv_eda_t* eda) {
  auto* t = reinterpret_cast<kiv_linux_thread_t*>(eda);
  t->op = nullptr;
  if (t->process && t->detached) {
    t->process->detached.remove(&t->thread_node);
    kiv_heap_free(t);
  } else if (t->joiner) {
    t->joiner->retval = t->retval;
    kiv_eda_post_evt(&t->joiner->eda, KIV_LINUX_EVT_EXITED);
  } else if (!t->process || !is_linked(t)) {
    // The thread that ran exit, or a detached thread: nobody will collect the record.
    kiv_heap_free(t);
  }
}

// ---- processes -----------------------------------------------------------------------------------

void kiv_linux_process_reset_counters() {
  pid_counter = 0;
  tid_counter = 0;
  process_list = {};
}

void kiv_linux_root_reset() {
  // The record is far too large for a temporary on a thread stack.
  std::memset(static_cast<void*>(&kiv_linux_root), 0, sizeof kiv_linux_root);
}

kiv_linux_process_t* kiv_linux_process_alloc(uint32_t stack_size) {
  auto* p = static_cast<kiv_linux_process_t*>(kiv_linux_malloc_p(&kiv_linux_root, sizeof(kiv_linux_process_t)));
  if (!p) return nullptr;
  // Everything is zeroed but the heap table: a slot is only read while its bitmap bit is set,
  // and leaving the 512 KiB table untouched keeps process creation from faulting it all in.
  constexpr std::size_t table_start = offsetof(kiv_linux_process_t, heap_table);
  constexpr std::size_t table_end = table_start + sizeof(p->heap_table);
  std::memset(static_cast<void*>(p), 0, table_start);
  std::memset(reinterpret_cast<char*>(p) + table_end, 0, sizeof(kiv_linux_process_t) - table_end);
  p->priority = -1;
  p->shell = p;
  for (auto& t : p->termios) t = kiv_linux_termios_default();
  if (!kiv_linux_thread_create(p, &kiv_linux_main_thread_op, stack_size ? (stack_size + 7) & ~7u : 0, nullptr)) {
    kiv_linux_free_p(&kiv_linux_root, p);
    return nullptr;
  }
  p->pid = pid_counter++;
  process_list.append(&p->process_node);
  if (p->pid != 0) {
    kiv_linux_process_t* cur = kiv_linux_get_cur_process();
    p->ppid = cur ? cur->pid : 0;
  }
  return p;
}

kiv_err_t kiv_linux_process_start(kiv_linux_process_t* process) {
  process->status = 1;
  kiv_linux_thread_start(thread_of_node(process->threads.first), process->priority);
  return KIV_ERR_NONE;
}

kiv_linux_process_t* kiv_linux_process_find(int pid) {
  for (kiv_list_node_t* n = process_list.first; n; n = n->next)
    if (process_of_node(n)->pid == pid) return process_of_node(n);
  return nullptr;
}

void kiv_linux_process_adopt(kiv_linux_process_t* child) {
  kiv_linux_process_t* cur = kiv_linux_get_cur_process();
  if (!cur) return;
  child->parent = cur;
  cur->children.append(&child->child_node);
}

void kiv_linux_process_detach(kiv_linux_process_t* process) {
  if (!process->parent) return;
  process->parent->children.remove(&process->child_node);
  process->parent = nullptr;
}

void kiv_linux_process_cleanup(kiv_linux_process_t* p) {
  for (int slot = 0; slot < KIV_LINUX_DYNLIB_SLOTS; ++slot) {
    kiv_linux_dynlib_slot_t& d = p->dynlib[slot];
    if ((dynlib_used & (1u << slot)) && d.destructor) d.destructor(d.data);
    d = {nullptr, nullptr};
  }
  kiv_linux_fd_close_all(p);
  if (p->environ) {
    for (char** e = p->environ; *e; ++e) kiv_linux_free_p(p, *e);
    kiv_linux_free_p(p, p->environ);
    p->environ = nullptr;
  }
  if (p->argv_owned) {
    p->argv_owned = 0;
    for (int i = 0; i < p->argc; ++i) {
      kiv_linux_free_p(p, p->argv[i]);
      p->argv[i] = nullptr;
    }
  }
  kiv_linux_free_p(p, p->cwd);
  p->cwd = nullptr;
  for (int slot = 0; p->heap_count != 0 && slot < KIV_LINUX_HEAP_SLOTS; ++slot) {
    if (p->heap_bitmap[slot / 32] & (1u << (slot % 32))) kiv_linux_free_p(p, p->heap_table[slot].block);
  }
}

namespace {
void free_record(kiv_linux_process_t* p) {
  if (process_list.holds(&p->process_node)) process_list.remove(&p->process_node);
  kiv_linux_free_p(&kiv_linux_root, p);
}
}  // namespace

void kiv_linux_process_destroy(kiv_linux_process_t* p) {
  kiv_linux_process_cleanup(p);
  // The main thread never ran: its record has nobody else to free it.
  while (kiv_linux_thread_t* t = thread_of_node(p->threads.take_first())) kiv_heap_free(t);
  if (!p->parent) free_record(p);
}

int posix::waitpid(int pid, int* status, int options) {
  if (pid <= 0 || options != 0) return -1;
  kiv_linux_thread_t* self = kiv_linux_get_cur_thread();
  kiv_linux_process_t* child = kiv_linux_process_find(pid);
  if (!self || !child || child->parent != self->process) return -1;
  process_list.remove(&child->process_node);
  if (child->status & 1) {
    child->exit_waiter = self;
    while (kiv_thread_wait() != KIV_LINUX_EVT_EXITED) {
    }
  } else {
    self->retval = child->status;
  }
  if (status) *status = static_cast<int>(self->retval);
  kiv_linux_process_detach(child);
  free_record(child);
  return pid;
}

void posix::exit(int code) {
  kiv_linux_thread_t* t = kiv_linux_get_cur_thread();
  KIV_ASSERT(t && t->process, "exit outside a process");
  kiv_linux_process_t* p = t->process;
  if (!p->exiting_thread) {
    p->exiting_thread = t;
    p->status = static_cast<int>(static_cast<unsigned>(code) << 8);
    kiv_linux_thread_unlink(t);
    while (kiv_linux_thread_t* other = thread_of_node(p->threads.first)) {
      if (other->tid >= 0)
        kiv_trace(KIV_TRACE_WARNING, "linux: undetached thread %d, need pthread_join before exit\n", other->tid);
      if (posix::pthread_join(other->tid, nullptr) != 0) kiv_linux_thread_unlink(other);
    }
    while (kiv_linux_process_t* child = process_of_child(p->children.first)) {
      kiv_trace(KIV_TRACE_WARNING, "linux: undetached process %d, need waitpid before exit\n", child->pid);
      if (posix::waitpid(child->pid, nullptr, 0) < 0) kiv_linux_process_detach(child);
    }
    kiv_linux_process_cleanup(p);
    while (kiv_linux_thread_t* loose = thread_of_node(p->detached.take_first())) {
      loose->process = nullptr;
      loose->detached = false;
    }
    p->status &= ~1;
    if (p->exit_waiter) {
      p->exit_waiter->retval = p->status;
      kiv_eda_post_evt(&p->exit_waiter->eda, KIV_LINUX_EVT_EXITED);
    }
    t->process = nullptr;
    if (!p->parent) free_record(p);  // a background process: nobody collects it
  }
  kiv_thread_exit();
}

namespace {
void main_entry(kiv_thread_cb_t* cb) {
  kiv_linux_thread_t* t = KIV_CONTAINER_OF(cb, kiv_linux_thread_t, cb);
  kiv_linux_process_t* p = t->process;
  kiv_linux_process_t* source = (p->shell && p->shell != p) ? p->shell : &kiv_linux_root;
  kiv_linux_fd_inherit_std(p, source);
  int argc = p->argc;
  char* argv[KIV_LINUX_MAX_ARGS + 1];
  std::memcpy(argv, p->argv, sizeof p->argv);
  argv[argc < KIV_LINUX_MAX_ARGS ? argc : KIV_LINUX_MAX_ARGS] = nullptr;
  int result = p->main ? p->main(argc, argv) : 0;
  t->retval = result;
  posix::exit(result);
}
}  // namespace
