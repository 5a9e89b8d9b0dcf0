// FAT12/16/32 filesystem on a block device, plugged into the VFS through kiv_fatfs_op. It looks
// entries up (long names presented as UTF-8), reads, writes (allocating clusters), resizes and
// seeks; it does not create, delete or rename entries (those answer KIV_ERR_NOT_SUPPORT). Every
// handler is a sub-call (see fs/vfs.h); device and chain failures answer KIV_ERR_INVALID_STATE.
// A volume is a kiv_file_t-headed record that the caller sets up (kiv_fatfs_setup) and passes
// to kiv_fs_mount as the data object; no locks: one operation at a time per volume.
#pragma once

#include <cstdint>

#include "fs/block/mal.h"
#include "fs/vfs.h"

inline constexpr uint8_t KIV_FATFS_FAT12 = 1;
inline constexpr uint8_t KIV_FATFS_FAT16 = 2;
inline constexpr uint8_t KIV_FATFS_FAT32 = 3;
inline constexpr uint8_t KIV_FATFS_EXFAT = 4;

// One cached block: its block number (all ones when empty) and flags (bit 31: valid).
struct kiv_fatfs_cache_entry_t {
  uint64_t block;
  uint32_t flags;
};
inline constexpr uint32_t KIV_FATFS_CACHE_VALID = 0x80000000u;

// Write-through block cache: FAT, directory and partial data sectors pass through it.
struct kiv_fatfs_cache_t {
  kiv_mal_t* mal;
  uint32_t block_size;
  uint32_t count;
  kiv_fatfs_cache_entry_t* entries;
  uint8_t* buffers;  // count blocks, one per entry
  void* mem;         // released at unmount (null when the caller owns the memory)
};

struct kiv_fatfs_info_t;

// What every object of a FAT volume carries after the common head: its volume and where its
// position lies. cur_sector counts sectors inside cur_cluster; it equals the sectors per
// cluster when `pos` sits exactly at the end of cur_cluster (the next cluster is taken from the
// FAT only when data beyond it is needed). The FAT12/16 root directory has no clusters: its
// cur_sector counts sectors of the fixed root area.
struct kiv_fatfs_node_t {
  kiv_file_t file;
  kiv_fatfs_info_t* root;
  uint32_t first_cluster;
  uint32_t cur_cluster;
  uint32_t cur_sector;
  uint32_t cur_offset;
};

// The volume: the root directory object of the filesystem instance and its data object.
struct kiv_fatfs_info_t {
  kiv_fatfs_node_t node;  // node.root points back to the volume
  uint32_t root_cluster;  // FAT32: first cluster of the root directory; 0 otherwise
  uint8_t type;
  char label[12];
  uint32_t root_sector;  // FAT12/16: first sector of the root area; FAT32: first data sector
  uint32_t root_size;    // FAT12/16: sectors of the root area; 0 for FAT32
  uint32_t fat_sector;
  uint32_t fat_size;
  uint32_t data_sector;
  uint32_t cluster_limit;  // valid clusters are 2 .. cluster_limit - 1
  uint8_t sector_bits;
  uint8_t cluster_bits;
  uint8_t fat_num;
  kiv_fatfs_cache_t cache;
  const char* label_ptr;  // `label`, or null when the volume has none
  // FAT32: the FSInfo sector (0: none), whose free-cluster count is marked unknown before this
  // driver first changes the FAT, so that no other system trusts a stale count.
  uint32_t fsinfo_sector;
  bool fsinfo_stale;
};

// A looked-up entry; the name text is stored right after the record.
struct kiv_fatfs_file_t {
  kiv_fatfs_node_t node;
  uint32_t entry_sector;  // sector of the short directory entry
  uint32_t entry_index;   // its index in that sector
};

extern const kiv_fs_op_t kiv_fatfs_op;

// Prepares a volume record over `mal` with a cache of `count` blocks of `block_size` bytes in
// `entries` and `buffers` (owned by the caller; `mem`, if not null, is freed at unmount).
void kiv_fatfs_setup(kiv_fatfs_info_t* vol, kiv_mal_t* mal, uint32_t block_size, kiv_fatfs_cache_entry_t* entries,
                     uint8_t* buffers, uint32_t count, void* mem);
