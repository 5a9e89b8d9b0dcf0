// Context creation and switching around the assembly swap, with AddressSanitizer told about
// every change of stack.
#include <cstring>

#include "kernel/host/arch.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define KIV_ASAN 1
#endif

extern "C" void kiv_arch_ctx_swap(void** save_sp, void* load_sp);
extern "C" void kiv_arch_ctx_trampoline();

static_assert(sizeof(void*) == 8, "the context switch is written for x86-64");

namespace {
// Bounds of the kernel thread's own stack, learnt when the first fresh context starts.
const void* kernel_stack_bottom = nullptr;
std::size_t kernel_stack_size = 0;

[[maybe_unused]] void bounds_or_kernel(const void*& bottom, std::size_t& size) {
  if (!bottom) {
    bottom = kernel_stack_bottom;
    size = kernel_stack_size;
  }
}
}  // namespace

kiv_arch_ctx_t kiv_arch_ctx_make(void* top, void (*entry)(void*), void* arg) {
  auto t = reinterpret_cast<uintptr_t>(top) & ~uintptr_t{15};
  auto* sp = reinterpret_cast<uint64_t*>(t - 24);  // return address slot: 8 mod 16
  sp[0] = reinterpret_cast<uint64_t>(&kiv_arch_ctx_trampoline);
  sp -= 6;                                          // rbp rbx r12 r13 r14 r15 (popped in reverse)
  sp[5] = 0;                                        // rbp
  sp[4] = 0;                                        // rbx
  sp[3] = reinterpret_cast<uint64_t>(entry);        // r12
  sp[2] = reinterpret_cast<uint64_t>(arg);          // r13
  sp[1] = 0;                                        // r14
  sp[0] = 0;                                        // r15
  sp -= 1;
  uint32_t mxcsr = 0x1F80;
  uint16_t fpucw = 0x037F;
  std::memcpy(sp, &mxcsr, 4);
  std::memcpy(reinterpret_cast<char*>(sp) + 4, &fpucw, 2);
  return sp;
}

void kiv_arch_ctx_switch(kiv_arch_ctx_t* save, kiv_arch_ctx_t load, const void* load_bottom,
                         std::size_t load_size) {
#ifdef KIV_ASAN
  bounds_or_kernel(load_bottom, load_size);
  void* fake = nullptr;
  __sanitizer_start_switch_fiber(&fake, load_bottom, load_size);
  kiv_arch_ctx_swap(save, load);
  __sanitizer_finish_switch_fiber(fake, nullptr, nullptr);
#else
  (void)load_bottom;
  (void)load_size;
  kiv_arch_ctx_swap(save, load);
#endif
}

void kiv_arch_ctx_exit(kiv_arch_ctx_t load, const void* load_bottom, std::size_t load_size) {
  void* abandoned = nullptr;
#ifdef KIV_ASAN
  bounds_or_kernel(load_bottom, load_size);
  __sanitizer_start_switch_fiber(nullptr, load_bottom, load_size);
#else
  (void)load_bottom;
  (void)load_size;
#endif
  kiv_arch_ctx_swap(&abandoned, load);
  __builtin_unreachable();
}

void kiv_arch_ctx_started() {
#ifdef KIV_ASAN
  const void* bottom = nullptr;
  std::size_t size = 0;
  __sanitizer_finish_switch_fiber(nullptr, &bottom, &size);
  if (!kernel_stack_bottom) {
    kernel_stack_bottom = bottom;
    kernel_stack_size = size;
  }
#endif
}
