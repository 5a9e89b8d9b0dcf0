// The volume's write-through block cache. A block being loaded is left empty until its read
// succeeds; a failed write forgets the cached copies of its blocks, since a partial-sector
// update changes the cached copy before writing it.
#include <cstring>

#include "fs/fat/fat_internal.h"

namespace fat {
namespace {

constexpr uint64_t kEmpty = ~uint64_t{0};

uint8_t* buffer_of(kiv_fatfs_cache_t* c, uint32_t i) { return c->buffers + static_cast<uint64_t>(i) * c->block_size; }

struct CacheFrame {
  kiv_fatfs_cache_t* cache;
  uint64_t block;
  uint32_t count;
  uint32_t entry;
  void* buffer;
};

uint32_t pick_entry(kiv_fatfs_cache_t* c) {
  for (uint32_t i = 0; i < c->count; ++i)
    if (!(c->entries[i].flags & KIV_FATFS_CACHE_VALID)) return i;
  return 0;
}

void read_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<CacheFrame>(area);
  kiv_fatfs_cache_t* c = f.cache;
  if (evt == KIV_EVT_INIT) {
    void* into = f.buffer;
    if (!into) {
      if (cache_peek(c, f.block)) return finish(KIV_ERR_NONE);
      f.entry = pick_entry(c);
      c->entries[f.entry] = kiv_fatfs_cache_entry_t{kEmpty, 0};
      into = buffer_of(c, f.entry);
    }
    if (kiv_mal_read(c->mal, f.block * c->block_size, f.count * c->block_size, into) < 0) finish(KIV_ERR_INVALID_STATE);
  } else if (evt == KIV_EVT_RETURN) {
    if (kiv_eda_get_return_value() != static_cast<int>(f.count * c->block_size)) return finish(KIV_ERR_INVALID_STATE);
    if (!f.buffer) c->entries[f.entry] = kiv_fatfs_cache_entry_t{f.block, KIV_FATFS_CACHE_VALID};
    finish(KIV_ERR_NONE);
  }
}

void write_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<CacheFrame>(area);
  kiv_fatfs_cache_t* c = f.cache;
  if (evt == KIV_EVT_INIT) {
    if (kiv_mal_write(c->mal, f.block * c->block_size, f.count * c->block_size, f.buffer) < 0) finish(KIV_ERR_INVALID_STATE);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  bool ok = kiv_eda_get_return_value() == static_cast<int>(f.count * c->block_size);
  for (uint32_t i = 0; i < c->count; ++i) {
    kiv_fatfs_cache_entry_t& e = c->entries[i];
    if (!(e.flags & KIV_FATFS_CACHE_VALID) || e.block < f.block || e.block >= f.block + f.count) continue;
    const uint8_t* src = static_cast<const uint8_t*>(f.buffer) + (e.block - f.block) * c->block_size;
    if (!ok) e = kiv_fatfs_cache_entry_t{kEmpty, 0};
    else if (src != buffer_of(c, i)) std::memcpy(buffer_of(c, i), src, c->block_size);
  }
  finish(ok ? KIV_ERR_NONE : KIV_ERR_INVALID_STATE);
}

}  // namespace

void cache_empty(kiv_fatfs_cache_t* c) {
  for (uint32_t i = 0; i < c->count; ++i) c->entries[i] = kiv_fatfs_cache_entry_t{kEmpty, 0};
}

uint8_t* cache_peek(kiv_fatfs_cache_t* c, uint64_t block) {
  for (uint32_t i = 0; i < c->count; ++i)
    if ((c->entries[i].flags & KIV_FATFS_CACHE_VALID) && c->entries[i].block == block) return buffer_of(c, i);
  return nullptr;
}

int cache_read(kiv_fatfs_cache_t* c, uint64_t block, uint32_t count, void* buffer) {
  return call(read_handler, c, CacheFrame{c, block, buffer ? count : 1, 0, buffer});
}

int cache_write(kiv_fatfs_cache_t* c, uint64_t block, uint32_t count, const void* buffer) {
  return call(write_handler, c, CacheFrame{c, block, count, 0, const_cast<void*>(buffer)});
}

}  // namespace fat
