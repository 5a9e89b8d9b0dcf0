// Kernel heap over the host heap, and fixed-size block pools.
// The heap is thread-safe; every failure leaves one trace line and returns null.
// A pool is guarded by its lock operations (by default the interrupt mask), so it is used by
// code holding the CPU lock. Pool blocks taken from the heap are never given back.
#pragma once

#include <cstdint>

#include "kernel/types.h"

void* kiv_heap_malloc_aligned(int size, int align);
void* kiv_heap_malloc(int size);
void* kiv_heap_calloc(int count, int size);
void* kiv_heap_realloc(void* block, int size);
void kiv_heap_free(void* block);
int kiv_heap_size(void* block);
constexpr int kiv_heap_alignment() { return 8; }

struct kiv_pool_ops_t {
  bool (*lock)();
  void (*unlock)(bool state);
};

inline constexpr uint16_t KIV_POOL_NO_HEAP = 0x8000;

struct kiv_pool_t {
  void* free_list;
  uint16_t free_count;
  uint16_t used_count;
  const char* name;
  uint32_t block_size;
  uint16_t align;  // bits 0..14 alignment, bit 15 KIV_POOL_NO_HEAP
  void (*on_new)(void* target, void* block, uint32_t block_size);
  kiv_pool_ops_t ops;
  void* target;
};

struct kiv_pool_cfg_t {
  const char* name;
  void* spare;
  const kiv_pool_ops_t* ops;  // null: mask interrupts
  void (*on_new)(void* target, void* block, uint32_t block_size);
};

void kiv_pool_init(kiv_pool_t* pool, uint32_t block_size, uint16_t align, const kiv_pool_cfg_t* cfg);
bool kiv_pool_add_buffer(kiv_pool_t* pool, void* buffer, uint32_t size, uint32_t block_size);
void* kiv_pool_alloc(kiv_pool_t* pool);
void kiv_pool_free(kiv_pool_t* pool, void* block);
