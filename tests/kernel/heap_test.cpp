// Kernel heap and pools.
#include <gtest/gtest.h>

#include "tests/kernel/harness.h"

namespace {

TEST(Heap, AlignmentAboveEightIsRefusedWithATraceLine) {
  kvtest::TraceCapture trace;
  EXPECT_EQ(kiv_heap_malloc_aligned(100, 16), nullptr);
  EXPECT_EQ(trace.text(), "\x1b[1;31m" "fail to allocate 100 bytes with 16 alignment\r\n");
  void* ok = kiv_heap_malloc_aligned(100, 8);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(ok) % 8, 0u);
  kiv_heap_free(ok);
}

TEST(Heap, ReallocEdgeCases) {
  kvtest::TraceCapture trace;
  EXPECT_EQ(kiv_heap_realloc(nullptr, 0), nullptr);
  EXPECT_TRUE(trace.text().empty());
  void* block = kiv_heap_realloc(nullptr, 10);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(kiv_heap_size(block), 10);
  EXPECT_EQ(kiv_heap_realloc(block, 0), nullptr);  // freed (the leak sanitizer checks)
  auto* zeroed = static_cast<unsigned char*>(kiv_heap_calloc(4, 8));
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(zeroed[i], 0);
  kiv_heap_free(zeroed);
  kiv_heap_free(nullptr);
}

TEST(Pool, RecyclesBlocksAndAsksTheHeapOnce) {
  kiv_pool_t pool;
  static int heap_blocks = 0;
  heap_blocks = 0;
  kiv_pool_cfg_t cfg{.name = "test", .spare = nullptr, .ops = nullptr,
                     .on_new = [](void*, void*, uint32_t) { heap_blocks++; }};
  kiv_pool_init(&pool, 32, 4, &cfg);
  void* first = kiv_pool_alloc(&pool);
  kiv_pool_free(&pool, first);
  for (int i = 0; i < 1000; ++i) {
    void* b = kiv_pool_alloc(&pool);
    EXPECT_EQ(b, first);
    EXPECT_LE(pool.used_count, 1);
    kiv_pool_free(&pool, b);
  }
  EXPECT_EQ(heap_blocks, 1);
  kiv_heap_free(kiv_pool_alloc(&pool));
}

TEST(Pool, PresetBufferIsTheOnlySource) {
  alignas(8) static unsigned char buffer[10 * 16];
  kiv_pool_t pool;
  kiv_pool_init(&pool, 16, 8, nullptr);
  EXPECT_FALSE(kiv_pool_add_buffer(&pool, buffer, 8, 16));  // smaller than one block
  ASSERT_TRUE(kiv_pool_add_buffer(&pool, buffer, sizeof buffer, 16));
  for (int i = 0; i < 10; ++i) {
    void* b = kiv_pool_alloc(&pool);
    ASSERT_NE(b, nullptr);
    EXPECT_GE(static_cast<unsigned char*>(b), buffer);
    EXPECT_LT(static_cast<unsigned char*>(b), buffer + sizeof buffer);
  }
  EXPECT_EQ(kiv_pool_alloc(&pool), nullptr);
}

}  // namespace
