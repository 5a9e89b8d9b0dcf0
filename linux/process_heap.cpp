// Per-process heap: every block is recorded in its process's table, so that whatever a
// process leaves behind is freed when it ends.
#include <cstring>

#include "linux/process.h"

namespace {

constexpr int header_size = 8;  // the slot number lives in the first 4 of these bytes

kiv_linux_process_t* or_current(kiv_linux_process_t* p) { return p ? p : kiv_linux_get_cur_process(); }

void set_errno(int value) { posix::errno_ref() = value; }

int take_lowest_free_slot(kiv_linux_process_t* p) {
  for (int word = 0; word < KIV_LINUX_HEAP_SLOTS / 32; ++word) {
    uint32_t used = p->heap_bitmap[word];
    if (used == 0xFFFFFFFFu) continue;
    int bit = __builtin_ctz(~used);
    p->heap_bitmap[word] |= 1u << bit;
    return word * 32 + bit;
  }
  return -1;
}

bool slot_in_use(const kiv_linux_process_t* p, int slot) {
  return slot >= 0 && slot < KIV_LINUX_HEAP_SLOTS && (p->heap_bitmap[slot / 32] & (1u << (slot % 32)));
}

int slot_of(void* block) {
  int slot;
  std::memcpy(&slot, static_cast<char*>(block) - header_size, sizeof slot);
  return slot;
}

}  // namespace

void* kiv_linux_malloc_p(kiv_linux_process_t* process, int size) {
  kiv_linux_process_t* p = or_current(process);
  if (!p || size < 0) {
    set_errno(KIV_ENOMEM);
    return nullptr;
  }
  auto* raw = static_cast<char*>(kiv_heap_malloc(size + header_size));
  int slot = raw ? take_lowest_free_slot(p) : -1;
  if (slot < 0) {  // out of memory, or the table is full
    kiv_heap_free(raw);
    set_errno(KIV_ENOMEM);
    return nullptr;
  }
  std::memcpy(raw, &slot, sizeof slot);
  p->heap_table[slot] = {raw + header_size, size};
  p->heap_used += size;
  p->heap_count++;
  return raw + header_size;
}

void kiv_linux_free_p(kiv_linux_process_t* process, void* block) {
  if (!block) return;
  kiv_linux_process_t* p = or_current(process);
  int slot = slot_of(block);
  // A block of another process (or a stray pointer) must not corrupt this table.
  if (!p || !slot_in_use(p, slot) || p->heap_table[slot].block != block) {
    kiv_trace(KIV_TRACE_ERROR, "linux: free of a block not owned by process %d\r\n", p ? p->pid : -1);
    return;
  }
  p->heap_used -= p->heap_table[slot].size;
  p->heap_table[slot] = {nullptr, 0};
  p->heap_bitmap[slot / 32] &= ~(1u << (slot % 32));
  p->heap_count--;
  kiv_heap_free(static_cast<char*>(block) - header_size);
}

void* kiv_linux_calloc_p(kiv_linux_process_t* process, int count, int size) {
  long long total = static_cast<long long>(count) * size;
  if (count < 0 || size < 0 || total > 0x7FFFFFF0) {
    set_errno(KIV_ENOMEM);
    return nullptr;
  }
  void* block = kiv_linux_malloc_p(process, static_cast<int>(total));
  if (block) std::memset(block, 0, static_cast<std::size_t>(total));
  return block;
}

void* kiv_linux_realloc_p(kiv_linux_process_t* process, void* block, int size) {
  kiv_linux_process_t* p = or_current(process);
  if (!block) return kiv_linux_malloc_p(p, size);
  if (size == 0) {
    kiv_linux_free_p(p, block);
    return nullptr;
  }
  int slot = slot_of(block);
  if (!slot_in_use(p, slot) || p->heap_table[slot].block != block) {
    kiv_linux_free_p(p, block);  // reports the stray block, changes nothing
    return nullptr;
  }
  void* grown = kiv_linux_malloc_p(p, size);
  if (!grown) return nullptr;  // the old block stays as it was
  int old_size = p->heap_table[slot].size;
  std::memcpy(grown, block, static_cast<std::size_t>(old_size < size ? old_size : size));
  kiv_linux_free_p(p, block);
  return grown;
}

char* kiv_linux_strdup_p(kiv_linux_process_t* process, const char* text) {
  auto len = static_cast<int>(std::strlen(text));
  auto* copy = static_cast<char*>(kiv_linux_malloc_p(process, len + 1));
  if (copy) std::memcpy(copy, text, static_cast<std::size_t>(len) + 1);
  return copy;
}

posix::allocator kiv_linux_heap_allocator(kiv_linux_process_t* process) {
  return posix::allocator{
      .ctx = process,
      .alloc = [](void* ctx, std::size_t size) {
        return size > 0x7FFFFFF0u ? nullptr : kiv_linux_malloc_p(static_cast<kiv_linux_process_t*>(ctx), static_cast<int>(size));
      },
      .resize = [](void* ctx, void* block, std::size_t size) {
        return size > 0x7FFFFFF0u ? nullptr
                                  : kiv_linux_realloc_p(static_cast<kiv_linux_process_t*>(ctx), block, static_cast<int>(size));
      },
      .release = [](void* ctx, void* block) { kiv_linux_free_p(static_cast<kiv_linux_process_t*>(ctx), block); }};
}
