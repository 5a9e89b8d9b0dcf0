// Kernel heap and pools.
#include "kernel/heap.h"

#include <cstring>

#include "kernel/host/arch.h"
#include "kernel/trace.h"

namespace {
void report_alloc_failure(int size, int align) {
  kiv_trace(KIV_TRACE_ERROR, "fail to allocate %d bytes with %d alignment\r\n", size, align);
}
}  // namespace

void* kiv_heap_malloc_aligned(int size, int align) {
  if (align <= kiv_heap_alignment() && size >= 0) {
    if (void* block = kiv_arch_heap_alloc(static_cast<std::size_t>(size))) return block;
  }
  report_alloc_failure(size, align);
  return nullptr;
}

void* kiv_heap_malloc(int size) {
  void* block = size >= 0 ? kiv_arch_heap_alloc(static_cast<std::size_t>(size)) : nullptr;
  if (!block) report_alloc_failure(size, 0);
  return block;
}

void* kiv_heap_calloc(int count, int size) {
  long long total = static_cast<long long>(count) * size;
  void* block = (count >= 0 && size >= 0 && total <= 0x7FFFFFFF)
                    ? kiv_arch_heap_alloc(static_cast<std::size_t>(total)) : nullptr;
  if (!block) {
    report_alloc_failure(static_cast<int>(total), 0);
    return nullptr;
  }
  std::memset(block, 0, static_cast<std::size_t>(total));
  return block;
}

void* kiv_heap_realloc(void* block, int size) {
  if (block && size == 0) {
    kiv_arch_heap_free(block);
    return nullptr;
  }
  if (!block && size == 0) return nullptr;
  if (!block) return kiv_heap_malloc(size);
  void* grown = size > 0 ? kiv_arch_heap_realloc(block, static_cast<std::size_t>(size)) : nullptr;
  if (!grown) kiv_trace(KIV_TRACE_ERROR, "fail to reallocate %d bytes with %d alignment\r\n", size, 0);
  return grown;
}

void kiv_heap_free(void* block) {
  if (block) kiv_arch_heap_free(block);
}

int kiv_heap_size(void* block) { return static_cast<int>(kiv_arch_heap_size(block)); }

// ---- pools -----------------------------------------------------------------------------------

namespace {
bool mask_lock() { return kiv_arch_interrupt_disable(); }
void mask_unlock(bool state) { kiv_arch_interrupt_restore(state); }
constexpr kiv_pool_ops_t default_pool_ops{.lock = mask_lock, .unlock = mask_unlock};

void push_free(kiv_pool_t* pool, void* block) {
  *static_cast<void**>(block) = pool->free_list;
  pool->free_list = block;
}
}  // namespace

void kiv_pool_init(kiv_pool_t* pool, uint32_t block_size, uint16_t align, const kiv_pool_cfg_t* cfg) {
  *pool = kiv_pool_t{};
  pool->block_size = block_size;
  pool->align = static_cast<uint16_t>((align ? align : 1) & 0x7FFF);
  pool->ops = (cfg && cfg->ops) ? *cfg->ops : default_pool_ops;
  if (cfg) {
    pool->on_new = cfg->on_new;
    pool->name = cfg->name;
  }
}

bool kiv_pool_add_buffer(kiv_pool_t* pool, void* buffer, uint32_t size, uint32_t block_size) {
  if (block_size < sizeof(void*) || size < block_size) return false;
  bool state = pool->ops.lock();
  auto* p = static_cast<char*>(buffer);
  for (uint32_t n = size / block_size; n > 0; --n, p += block_size) {
    push_free(pool, p);
    ++pool->free_count;
  }
  pool->align |= KIV_POOL_NO_HEAP;
  pool->ops.unlock(state);
  return true;
}

void* kiv_pool_alloc(kiv_pool_t* pool) {
  bool state = pool->ops.lock();
  void* block = pool->free_list;
  if (block) {
    pool->free_list = *static_cast<void**>(block);
    *static_cast<void**>(block) = nullptr;
    --pool->free_count;
    ++pool->used_count;
  } else if (!(pool->align & KIV_POOL_NO_HEAP)) {
    block = kiv_heap_malloc_aligned(static_cast<int>(pool->block_size), pool->align & 0x7FFF);
    if (block) {
      if (pool->on_new) pool->on_new(pool->target, block, pool->block_size);
      ++pool->used_count;
    }
  }
  pool->ops.unlock(state);
  return block;
}

void kiv_pool_free(kiv_pool_t* pool, void* block) {
  bool state = pool->ops.lock();
  push_free(pool, block);
  ++pool->free_count;
  --pool->used_count;
  pool->ops.unlock(state);
}
