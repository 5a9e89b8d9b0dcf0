// Pieces shared by the FAT modules: volume geometry, the block cache, FAT entry access, the
// directory-entry rewrite and the position walk. Functions marked sub-call start a sub-call of
// the current eda (0 when started, negative when not) whose result comes with KIV_EVT_RETURN.
// Internal to fs/fat; everything runs on the kernel's task context.
#pragma once

#include <cstdint>

#include "fs/fat/fatfs.h"

namespace fat {

// Starts `fn` as a sub-call on `target` with a copy of the frame record `f` as its whole area.
template <typename F>
int call(kiv_area_handler_t fn, void* target, const F& f) {
  int r = kiv_eda_call_param(fn, target, static_cast<uint16_t>(sizeof(F)), static_cast<int>(sizeof(F)), &f);
  return r == KIV_EVT_RETURN ? KIV_ERR_NONE : r;
}

// Ends the running handler with `code`.
inline void finish(int code) { kiv_eda_return(code); }

template <typename F>
F& frame(void* area) { return *static_cast<F*>(area); }

// ---- geometry ----------------------------------------------------------------------------
inline uint32_t sector_size(const kiv_fatfs_info_t* v) { return 1u << v->sector_bits; }
inline uint32_t cluster_sectors(const kiv_fatfs_info_t* v) { return 1u << v->cluster_bits; }
inline uint32_t cluster_bytes(const kiv_fatfs_info_t* v) { return 1u << (v->sector_bits + v->cluster_bits); }
inline uint32_t cluster_sector(const kiv_fatfs_info_t* v, uint32_t cluster) {
  return v->data_sector + ((cluster - 2) << v->cluster_bits);
}
// A chain value that names a next cluster of this volume.
bool is_next(const kiv_fatfs_info_t* v, uint32_t value);
// A chain value that marks the end of a chain.
bool is_end(const kiv_fatfs_info_t* v, uint32_t value);
inline constexpr uint32_t kEndOfChain = 0x0FFFFFFF;
// Whether the node is the FAT12/16 root directory (a fixed area, no clusters).
inline bool is_fixed_root(const kiv_fatfs_node_t* n) {
  return n->first_cluster == 0 && &n->root->node == n && n->root->type != KIV_FATFS_FAT32;
}
inline bool is_dir(const kiv_fatfs_node_t* n) { return n->file.attr & KIV_FILE_ATTR_DIRECTORY; }
// The sector holding a node's position (valid when the node is not at the end of a cluster).
uint32_t position_sector(const kiv_fatfs_node_t* n);

// ---- block cache ---------------------------------------------------------------------------
void cache_empty(kiv_fatfs_cache_t* c);
// The cached copy of `block`, or null (no I/O).
uint8_t* cache_peek(kiv_fatfs_cache_t* c, uint64_t block);
// sub-call: with a buffer, reads `count` blocks straight into it; without, brings `block` into
// the cache (cache_peek then finds it). Result 0, or KIV_ERR_INVALID_STATE on a device error.
int cache_read(kiv_fatfs_cache_t* c, uint64_t block, uint32_t count, void* buffer);
// sub-call: writes `count` blocks straight to the device and refreshes cached copies of them.
// Result 0 or KIV_ERR_INVALID_STATE.
int cache_write(kiv_fatfs_cache_t* c, uint64_t block, uint32_t count, const void* buffer);

// ---- FAT entries ---------------------------------------------------------------------------
int fat_get(kiv_fatfs_info_t* v, uint32_t cluster);                 // sub-call: value or negative
int fat_set(kiv_fatfs_info_t* v, uint32_t cluster, uint32_t value);  // sub-call: 0 or negative (every FAT copy)
int fat_alloc(kiv_fatfs_info_t* v, uint32_t previous);              // sub-call: new cluster or negative

// ---- files ---------------------------------------------------------------------------------
// sub-call: rewrites the size and first cluster of the file's short entry. 0 or negative.
int entry_rewrite(kiv_fatfs_file_t* f, uint32_t size, uint32_t first_cluster);
// sub-call: moves the node's cluster/sector/offset to byte `offset`; stores it in *result.
int seek_node(kiv_fatfs_node_t* n, uint64_t offset, uint64_t* result);
// Handlers of the operation table, and the private frame bytes each needs beyond its block.
inline constexpr uint8_t kRwFramePrivate = 24;
inline constexpr uint8_t kResizeFramePrivate = 32;
void fat_mount(void* area, kiv_evt_t evt);
void fat_unmount(void* area, kiv_evt_t evt);
void fat_read(void* area, kiv_evt_t evt);
void fat_write(void* area, kiv_evt_t evt);
void fat_resize(void* area, kiv_evt_t evt);
void fat_setpos(void* area, kiv_evt_t evt);
void fat_lookup(void* area, kiv_evt_t evt);

}  // namespace fat
