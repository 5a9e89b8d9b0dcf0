// On-disk layouts of FAT volumes and MBR disks: boot sector, directory entries (short and long
// name parts), partition entries, all packed and pinned in size, with explicit little-endian
// readers and writers. Pure data: nothing here touches a device.
#pragma once

#include <cstdint>

inline uint16_t kiv_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t kiv_le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
inline void kiv_put_le16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void kiv_put_le32(uint8_t* p, uint32_t v) {
  kiv_put_le16(p, static_cast<uint16_t>(v));
  kiv_put_le16(p + 2, static_cast<uint16_t>(v >> 16));
}

namespace fat {

// Boot sector with the BIOS parameter block; FAT32 fields follow the common part.
struct [[gnu::packed]] BootSector {
  uint8_t jump[3];
  uint8_t oem[8];
  uint8_t bytes_per_sector[2];
  uint8_t sectors_per_cluster;
  uint8_t reserved_sectors[2];
  uint8_t fat_count;
  uint8_t root_entries[2];
  uint8_t total_sectors16[2];
  uint8_t media;
  uint8_t fat_size16[2];
  uint8_t sectors_per_track[2];
  uint8_t heads[2];
  uint8_t hidden_sectors[4];
  uint8_t total_sectors32[4];
  uint8_t fat_size32[4];  // FAT32 from here on
  uint8_t ext_flags[2];
  uint8_t version[2];
  uint8_t root_cluster[4];
  uint8_t fsinfo_sector[2];
  uint8_t rest[460];
  uint8_t signature[2];  // 0x55 0xAA
};
static_assert(sizeof(BootSector) == 512);
static_assert(__builtin_offsetof(BootSector, root_cluster) == 44);
static_assert(__builtin_offsetof(BootSector, signature) == 510);

// FAT32 FSInfo sector: signatures and the free-cluster count (0xFFFFFFFF: unknown).
inline constexpr unsigned kFsInfoLead = 0, kFsInfoStruct = 484, kFsInfoFree = 488;
inline constexpr uint32_t kFsInfoLeadSig = 0x41615252, kFsInfoStructSig = 0x61417272;

// exFAT boot sector fields this driver reads.
namespace exfat {
inline constexpr unsigned kFatOffset = 80, kFatLength = 84, kHeapOffset = 88, kClusterCount = 92;
inline constexpr unsigned kRootCluster = 96, kSectorShift = 108, kClusterShift = 109, kFatCount = 110;
}  // namespace exfat

// Short directory entry.
struct [[gnu::packed]] DirEntry {
  uint8_t name[8];
  uint8_t ext[3];
  uint8_t attr;
  uint8_t case_flags;  // bit 3: name in lower case, bit 4: extension in lower case
  uint8_t created_fine;
  uint8_t created[4];
  uint8_t accessed[2];
  uint8_t cluster_high[2];
  uint8_t modified[4];
  uint8_t cluster_low[2];
  uint8_t file_size[4];
};
static_assert(sizeof(DirEntry) == 32);
static_assert(__builtin_offsetof(DirEntry, cluster_high) == 20);
static_assert(__builtin_offsetof(DirEntry, cluster_low) == 26);
static_assert(__builtin_offsetof(DirEntry, file_size) == 28);

// One part of a long name: 13 UTF-16 code units in three runs.
struct [[gnu::packed]] LongNameEntry {
  uint8_t sequence;  // bits 0-4: part number from 1; 0x40: the last part
  uint8_t chars1[10];
  uint8_t attr;  // 0x0F
  uint8_t type;
  uint8_t checksum;
  uint8_t chars2[12];
  uint8_t cluster[2];
  uint8_t chars3[4];
};
static_assert(sizeof(LongNameEntry) == 32);

inline constexpr uint8_t kAttrReadOnly = 0x01;
inline constexpr uint8_t kAttrHidden = 0x02;
inline constexpr uint8_t kAttrVolume = 0x08;
inline constexpr uint8_t kAttrDirectory = 0x10;
inline constexpr uint8_t kAttrLongName = 0x0F;
inline constexpr uint8_t kEntryEnd = 0x00;
inline constexpr uint8_t kEntryDeleted = 0xE5;
inline constexpr uint8_t kLastPart = 0x40;
inline constexpr unsigned kCharsPerPart = 13;
inline constexpr unsigned kMaxParts = 20;

// Partition table entry of an MBR (four of them from byte 446).
struct [[gnu::packed]] PartitionEntry {
  uint8_t status;
  uint8_t chs_first[3];
  uint8_t type;
  uint8_t chs_last[3];
  uint8_t first_lba[4];
  uint8_t sector_count[4];
};
static_assert(sizeof(PartitionEntry) == 16);
inline constexpr unsigned kPartitionTable = 446;

}  // namespace fat
