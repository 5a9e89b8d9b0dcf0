// Helper program for the kernel tests: provokes one programming error on the real kernel, or
// restarts itself. "no-task": a task-context call outside any handler. "canary": a thread whose
// stack bottom was overwritten. "guard": unbounded recursion on a guarded thread stack.
// "reset": restarts once through the host port, then prints its arguments.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/kernel.h"

namespace {
const char* mode = "";

// Recurses until the stack runs out (the depth limit is never reached in practice).
int recurse(int depth) {
  volatile char pad[512];
  pad[0] = static_cast<char>(depth);
  if (depth > 100000000) return pad[0];
  return recurse(depth + 1) + pad[0];
}

void first_thread(kiv_thread_cb_t* cb) {
  if (std::strcmp(mode, "canary") == 0) {
    std::memset(cb->stack, 0, 16);  // what an overflow leaves behind
    kiv_thread_yield();
  } else if (std::strcmp(mode, "guard") == 0) {
    recurse(0);
  }
  std::puts("survived");
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  mode = argv[1];
  kiv_arch_set_args(argc, argv);
  if (std::strcmp(mode, "reset") == 0) {
    if (!std::getenv("PROBE_RESTARTED")) {
      setenv("PROBE_RESTARTED", "1", 1);
      kiv_arch_reset();
    }
    for (int i = 0; i < argc; ++i) std::printf("%s%s", i ? " " : "", i ? argv[i] : "probe");
    std::printf("\n");
    return 0;
  }
  if (std::strcmp(mode, "no-task") == 0) kiv_eda_yield();
  kiv_kernel_run(first_thread);
  std::puts("survived");
  return 0;
}
