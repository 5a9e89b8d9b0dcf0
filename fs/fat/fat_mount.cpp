// Mounting a FAT volume: the boot sector gives the geometry, the root directory's volume-label
// entry gives the label. Unmount releases the cache memory when the volume owns it.
#include <cstring>

#include "fs/fat/fat_format.h"
#include "fs/fat/fat_internal.h"
#include "fs/fat/fat_volume.h"

namespace fat {
namespace {

int log2_exact(uint32_t v) {
  if (v == 0 || (v & (v - 1)) != 0) return -1;
  int bits = 0;
  while ((v >>= 1) != 0) ++bits;
  return bits;
}

bool all_zero(const uint8_t* p, unsigned from, unsigned to) {
  for (unsigned i = from; i < to; ++i)
    if (p[i]) return false;
  return true;
}

int parse_exfat(const uint8_t* s, kiv_fatfs_info_t* v) {
  v->sector_bits = s[exfat::kSectorShift];
  v->cluster_bits = s[exfat::kClusterShift];
  v->fat_num = s[exfat::kFatCount];
  v->fat_sector = kiv_le32(&s[exfat::kFatOffset]);
  v->fat_size = kiv_le32(&s[exfat::kFatLength]);
  v->root_sector = v->data_sector = kiv_le32(&s[exfat::kHeapOffset]);
  v->root_size = 0;
  v->root_cluster = kiv_le32(&s[exfat::kRootCluster]);
  v->cluster_limit = kiv_le32(&s[exfat::kClusterCount]) + 2;
  v->type = KIV_FATFS_EXFAT;
  if (v->sector_bits < 9 || v->sector_bits > 12 || v->cluster_bits > 16 || v->root_cluster < 2) return KIV_ERR_INVALID_STATE;
  return KIV_ERR_NONE;
}

// The FAT must have room for an entry of every cluster; a count claiming more is cut to it.
uint32_t fat_capacity(const kiv_fatfs_info_t* v) {
  uint64_t bits = static_cast<uint64_t>(v->fat_size) << (v->sector_bits + 3);
  uint32_t width = v->type == KIV_FATFS_FAT12 ? 12 : v->type == KIV_FATFS_FAT16 ? 16 : 32;
  uint64_t entries = bits / width;
  return entries > 0x0FFFFFF7u ? 0x0FFFFFF7u : static_cast<uint32_t>(entries);
}

}  // namespace

// One sector per cluster is a valid FAT geometry (small volumes made by common tools use it),
// so any power of two from 1 to 128 is accepted.
int parse_boot_sector(const uint8_t* sector, uint32_t block_size, kiv_fatfs_info_t* v) {
  const auto& b = *reinterpret_cast<const BootSector*>(sector);
  if (b.signature[0] != 0x55 || b.signature[1] != 0xAA) return KIV_ERR_INVALID_STATE;
  if (all_zero(sector, 11, 64)) return parse_exfat(sector, v);
  v->fsinfo_sector = 0;
  v->fsinfo_stale = false;
  uint32_t bps = kiv_le16(b.bytes_per_sector);
  int sector_bits = log2_exact(bps), cluster_bits = log2_exact(b.sectors_per_cluster);
  uint32_t reserved = kiv_le16(b.reserved_sectors), root_entries = kiv_le16(b.root_entries);
  uint32_t total = kiv_le16(b.total_sectors16) ? kiv_le16(b.total_sectors16) : kiv_le32(b.total_sectors32);
  uint32_t fat_size = kiv_le16(b.fat_size16) ? kiv_le16(b.fat_size16) : kiv_le32(b.fat_size32);
  if (sector_bits < 9 || sector_bits > 12 || bps != block_size || cluster_bits < 0 || cluster_bits > 7) return KIV_ERR_INVALID_STATE;
  if (reserved == 0 || b.fat_count == 0 || total == 0 || fat_size == 0) return KIV_ERR_INVALID_STATE;
  v->sector_bits = static_cast<uint8_t>(sector_bits);
  v->cluster_bits = static_cast<uint8_t>(cluster_bits);
  v->fat_num = b.fat_count;
  v->fat_sector = reserved;
  v->fat_size = fat_size;
  v->root_size = (root_entries * 32 + bps - 1) / bps;
  uint64_t root_sector = reserved + static_cast<uint64_t>(b.fat_count) * fat_size;
  if (root_sector + v->root_size >= total) return KIV_ERR_INVALID_STATE;
  v->root_sector = static_cast<uint32_t>(root_sector);
  v->data_sector = v->root_sector + v->root_size;
  uint32_t clusters = (total - v->data_sector) >> v->cluster_bits;
  if (root_entries) {
    v->type = clusters < 4085 ? KIV_FATFS_FAT12 : KIV_FATFS_FAT16;
    v->root_cluster = 0;
  } else {
    v->type = KIV_FATFS_FAT32;
    v->root_cluster = kiv_le32(b.root_cluster);
    if (kiv_le16(b.fat_size16) || kiv_le16(b.total_sectors16) || v->root_cluster < 2) return KIV_ERR_INVALID_STATE;
    uint32_t fsinfo = kiv_le16(b.fsinfo_sector);
    v->fsinfo_sector = fsinfo > 0 && fsinfo < reserved ? fsinfo : 0;
  }
  v->cluster_limit = clusters + 2;
  if (v->cluster_limit > fat_capacity(v)) v->cluster_limit = fat_capacity(v);
  if (v->type == KIV_FATFS_FAT32 && v->root_cluster >= v->cluster_limit) return KIV_ERR_INVALID_STATE;
  return KIV_ERR_NONE;
}

// The label is the first volume-label entry of the root directory's first sector.
void take_label(kiv_fatfs_info_t* v, const uint8_t* sector) {
  v->label_ptr = nullptr;
  for (uint32_t i = 0; i < sector_size(v) / 32; ++i) {
    const auto& e = reinterpret_cast<const DirEntry*>(sector)[i];
    if (e.name[0] == kEntryEnd) return;
    if (e.name[0] == kEntryDeleted || e.attr != kAttrVolume) continue;
    std::memcpy(v->label, e.name, 11);
    int len = 11;
    while (len > 0 && v->label[len - 1] == ' ') --len;
    v->label[len] = '\0';
    if (len > 0) v->label_ptr = v->label;
    return;
  }
}

namespace {

enum { MOUNT_BOOT = 0, MOUNT_LABEL = 1 };

kiv_fatfs_info_t* volume_of(kiv_file_t* mount_point) {
  return static_cast<kiv_fatfs_info_t*>(reinterpret_cast<kiv_vfs_file_t*>(mount_point)->d1);
}

void mount_ready(kiv_file_t* mount_point, kiv_fatfs_info_t* v) {
  v->node.root = v;
  v->node.first_cluster = v->node.cur_cluster = v->root_cluster;
  v->node.cur_sector = v->node.cur_offset = 0;
  v->node.file.name = "";
  v->node.file.pos = 0;
  reinterpret_cast<kiv_vfs_file_t*>(mount_point)->d2 = &v->node.file;
  finish(KIV_ERR_NONE);
}

}  // namespace

void fat_mount(void* area, kiv_evt_t evt) {
  kiv_file_t* mount_point = kiv_fs_target(area);
  kiv_fatfs_info_t* v = volume_of(mount_point);
  if (evt == KIV_EVT_INIT) {
    cache_empty(&v->cache);
    kiv_eda_set_frame_state(MOUNT_BOOT);
    if (cache_read(&v->cache, 0, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  if (kiv_eda_get_return_value() < 0) return finish(KIV_ERR_INVALID_STATE);
  if (kiv_eda_get_frame_state() == MOUNT_BOOT) {
    int r = parse_boot_sector(cache_peek(&v->cache, 0), v->cache.block_size, v);
    if (r < 0) return finish(r);
    v->label_ptr = nullptr;
    if (v->type == KIV_FATFS_EXFAT) return mount_ready(mount_point, v);
    uint32_t first = v->type == KIV_FATFS_FAT32 ? cluster_sector(v, v->root_cluster) : v->root_sector;
    kiv_eda_set_frame_state(MOUNT_LABEL);
    if (cache_read(&v->cache, first, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  uint32_t first = v->type == KIV_FATFS_FAT32 ? cluster_sector(v, v->root_cluster) : v->root_sector;
  take_label(v, cache_peek(&v->cache, first));
  mount_ready(mount_point, v);
}

void fat_unmount(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  kiv_fatfs_info_t* v = volume_of(kiv_fs_target(area));
  void* mem = v ? v->cache.mem : nullptr;
  if (mem) {
    v->cache.mem = nullptr;
    v->cache.count = 0;
    kiv_heap_free(mem);  // may hold the volume record itself: nothing is touched after this
  }
  finish(KIV_ERR_NONE);
}

}  // namespace fat
