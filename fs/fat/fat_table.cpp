// FAT entry access: read one entry, write one entry into every FAT copy, allocate the lowest
// free cluster. A FAT12 entry may straddle two sectors; its bytes are then read and patched in
// two steps, sector by sector.
#include "fs/fat/fat_internal.h"
#include "fs/fat/fat_format.h"

namespace fat {
namespace {

// Where a cluster's entry lies in a FAT: its first byte, its byte span, and the bits it uses in
// the little-endian word made of those bytes.
struct Spot {
  uint64_t byte;
  uint32_t bytes;
  uint32_t shift;
  uint32_t mask;
};

Spot spot_of(const kiv_fatfs_info_t* v, uint32_t cluster) {
  switch (v->type) {
    case KIV_FATFS_FAT12: return {cluster + cluster / 2ull, 2, (cluster & 1u) ? 4u : 0u, 0xFFFu};
    case KIV_FATFS_FAT16: return {cluster * 2ull, 2, 0, 0xFFFFu};
    case KIV_FATFS_FAT32: return {cluster * 4ull, 4, 0, 0x0FFFFFFFu};
    default: return {cluster * 4ull, 4, 0, 0xFFFFFFFFu};
  }
}

uint32_t sector_in_fat(const kiv_fatfs_info_t* v, const Spot& s) { return static_cast<uint32_t>(s.byte >> v->sector_bits); }
uint32_t offset_in_sector(const kiv_fatfs_info_t* v, const Spot& s) { return static_cast<uint32_t>(s.byte & (sector_size(v) - 1)); }
// Bytes of the entry that lie in its first sector.
uint32_t first_part(const kiv_fatfs_info_t* v, const Spot& s) {
  uint32_t room = sector_size(v) - offset_in_sector(v, s);
  return room < s.bytes ? room : s.bytes;
}

// Adds bytes [from, to) of the entry, found at `src`, to the word.
void gather(uint32_t& word, const uint8_t* src, uint32_t from, uint32_t to) {
  for (uint32_t j = from; j < to; ++j) word |= static_cast<uint32_t>(src[j - from]) << (8 * j);
}
// Replaces the entry's bits in bytes [from, to) at `dst` by those of `value`.
void patch(const Spot& s, uint32_t value, uint8_t* dst, uint32_t from, uint32_t to) {
  uint32_t bits = s.mask << s.shift, val = (value & s.mask) << s.shift;
  for (uint32_t j = from; j < to; ++j) {
    auto m = static_cast<uint8_t>(bits >> (8 * j));
    dst[j - from] = static_cast<uint8_t>((dst[j - from] & ~m) | (static_cast<uint8_t>(val >> (8 * j)) & m));
  }
}

// ---- get -------------------------------------------------------------------------------------
struct GetFrame {
  kiv_fatfs_info_t* vol;
  uint32_t cluster;
  uint32_t word;
  uint32_t from;  // entry bytes gathered so far
};

void get_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<GetFrame>(area);
  kiv_fatfs_info_t* v = f.vol;
  Spot s = spot_of(v, f.cluster);
  uint32_t sector = v->fat_sector + sector_in_fat(v, s) + (f.from ? 1 : 0);
  if (evt == KIV_EVT_RETURN) {
    if (kiv_eda_get_return_value() < 0) return finish(KIV_ERR_INVALID_STATE);
    const uint8_t* buf = cache_peek(&v->cache, sector);
    uint32_t to = f.from ? s.bytes : first_part(v, s);
    gather(f.word, f.from ? buf : buf + offset_in_sector(v, s), f.from, to);
    f.from = to;
    if (f.from == s.bytes) return finish(static_cast<int>((f.word >> s.shift) & s.mask & 0x7FFFFFFFu));
    sector++;
  } else if (evt != KIV_EVT_INIT) {
    return;
  }
  if (cache_read(&v->cache, sector, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

// ---- FSInfo: the free count goes stale with the first change ------------------------------------
struct FsInfoFrame {
  kiv_fatfs_info_t* vol;
  bool written;
};

void fsinfo_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<FsInfoFrame>(area);
  kiv_fatfs_info_t* v = f.vol;
  if (evt == KIV_EVT_INIT) {
    if (cache_read(&v->cache, v->fsinfo_sector, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  if (kiv_eda_get_return_value() < 0) return finish(KIV_ERR_INVALID_STATE);
  uint8_t* s = cache_peek(&v->cache, v->fsinfo_sector);
  v->fsinfo_stale = true;
  if (f.written || kiv_le32(s + kFsInfoLead) != kFsInfoLeadSig || kiv_le32(s + kFsInfoStruct) != kFsInfoStructSig)
    return finish(KIV_ERR_NONE);
  kiv_put_le32(s + kFsInfoFree, 0xFFFFFFFFu);
  f.written = true;
  if (cache_write(&v->cache, v->fsinfo_sector, 1, s) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

// ---- set -------------------------------------------------------------------------------------
struct SetFrame {
  kiv_fatfs_info_t* vol;
  uint32_t cluster;
  uint32_t value;
  uint32_t copy;  // FAT copy being updated
  uint32_t part;  // 0: the entry's first sector, 1: the following one
};
enum { SET_READ = 0, SET_WRITE = 1, SET_FSINFO = 2 };

uint32_t set_sector(const SetFrame& f, const Spot& s) {
  const kiv_fatfs_info_t* v = f.vol;
  return v->fat_sector + f.copy * v->fat_size + sector_in_fat(v, s) + f.part;
}

void set_read(SetFrame& f, const Spot& s) {
  kiv_eda_set_frame_state(SET_READ);
  if (cache_read(&f.vol->cache, set_sector(f, s), 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void set_patch_and_write(SetFrame& f, const Spot& s) {
  kiv_fatfs_info_t* v = f.vol;
  uint32_t sector = set_sector(f, s);
  uint8_t* buf = cache_peek(&v->cache, sector);
  uint32_t split = first_part(v, s);
  if (f.part == 0) patch(s, f.value, buf + offset_in_sector(v, s), 0, split);
  else patch(s, f.value, buf, split, s.bytes);
  kiv_eda_set_frame_state(SET_WRITE);
  if (cache_write(&v->cache, sector, 1, buf) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void set_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<SetFrame>(area);
  Spot s = spot_of(f.vol, f.cluster);
  if (evt == KIV_EVT_INIT) {
    if (f.vol->fsinfo_sector == 0 || f.vol->fsinfo_stale) return set_read(f, s);
    kiv_eda_set_frame_state(SET_FSINFO);
    if (call(fsinfo_handler, f.vol, FsInfoFrame{f.vol, false}) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  if (kiv_eda_get_return_value() < 0) return finish(KIV_ERR_INVALID_STATE);
  if (kiv_eda_get_frame_state() == SET_FSINFO) return set_read(f, s);
  if (kiv_eda_get_frame_state() == SET_READ) return set_patch_and_write(f, s);
  if (f.part == 0 && first_part(f.vol, s) < s.bytes) {
    f.part = 1;
  } else {
    f.part = 0;
    if (++f.copy == f.vol->fat_num) return finish(KIV_ERR_NONE);
  }
  set_read(f, s);
}

// ---- allocate --------------------------------------------------------------------------------
struct AllocFrame {
  kiv_fatfs_info_t* vol;
  uint32_t previous;
  uint32_t cluster;  // scan cursor, then the cluster found
};
enum { ALLOC_LOAD = 0, ALLOC_GET, ALLOC_MARK, ALLOC_LINK };

// Scans from the cursor while the entries' sectors are cached; starts a sub-call when not.
void alloc_scan(AllocFrame& f) {
  kiv_fatfs_info_t* v = f.vol;
  for (; f.cluster < v->cluster_limit; ++f.cluster) {
    Spot s = spot_of(v, f.cluster);
    uint32_t sector = v->fat_sector + sector_in_fat(v, s);
    if (first_part(v, s) < s.bytes) {
      kiv_eda_set_frame_state(ALLOC_GET);
      if (fat_get(v, f.cluster) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    }
    const uint8_t* buf = cache_peek(&v->cache, sector);
    if (!buf) {
      kiv_eda_set_frame_state(ALLOC_LOAD);
      if (cache_read(&v->cache, sector, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    }
    uint32_t word = 0;
    gather(word, buf + offset_in_sector(v, s), 0, s.bytes);
    if (((word >> s.shift) & s.mask) == 0) break;
  }
  if (f.cluster >= v->cluster_limit) return finish(KIV_ERR_INVALID_STATE);  // the volume is full
  kiv_eda_set_frame_state(ALLOC_MARK);
  if (fat_set(v, f.cluster, kEndOfChain) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void alloc_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<AllocFrame>(area);
  if (evt == KIV_EVT_INIT) return alloc_scan(f);
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (r < 0) return finish(KIV_ERR_INVALID_STATE);
  switch (kiv_eda_get_frame_state()) {
    case ALLOC_LOAD:
      return alloc_scan(f);
    case ALLOC_GET:  // a straddling FAT12 entry, read on its own
      if (r != 0) {
        ++f.cluster;
        return alloc_scan(f);
      }
      kiv_eda_set_frame_state(ALLOC_MARK);
      if (fat_set(f.vol, f.cluster, kEndOfChain) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    case ALLOC_MARK:
      if (f.previous == 0) return finish(static_cast<int>(f.cluster));
      kiv_eda_set_frame_state(ALLOC_LINK);
      if (fat_set(f.vol, f.previous, f.cluster) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    default:
      return finish(static_cast<int>(f.cluster));
  }
}

uint32_t bad_cluster(const kiv_fatfs_info_t* v) {
  switch (v->type) {
    case KIV_FATFS_FAT12: return 0xFF7;
    case KIV_FATFS_FAT16: return 0xFFF7;
    default: return 0x0FFFFFF7;
  }
}

}  // namespace

// A value beyond the volume's clusters is not followed either: it would lead outside the data.
bool is_next(const kiv_fatfs_info_t* v, uint32_t value) {
  return value >= 2 && value < bad_cluster(v) && value < v->cluster_limit;
}
bool is_end(const kiv_fatfs_info_t* v, uint32_t value) { return value > bad_cluster(v); }

int fat_get(kiv_fatfs_info_t* v, uint32_t cluster) { return call(get_handler, v, GetFrame{v, cluster, 0, 0}); }
int fat_set(kiv_fatfs_info_t* v, uint32_t cluster, uint32_t value) {
  return call(set_handler, v, SetFrame{v, cluster, value, 0, 0});
}
int fat_alloc(kiv_fatfs_info_t* v, uint32_t previous) { return call(alloc_handler, v, AllocFrame{v, previous, 2}); }

}  // namespace fat
