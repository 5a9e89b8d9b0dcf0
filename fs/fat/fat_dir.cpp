// Directory reading: look-up by name and enumeration. The directory's sectors are walked entry
// by entry through the cache, collecting long names; each hit becomes a new file object (heap,
// freed by the VFS at its last close) with its name stored after the record.
// A look-up by name always searches the whole directory from its start and leaves the
// enumeration position alone, so a walk never misses an entry that an earlier walk passed.
// "." and ".." are not presented: the VFS walker gives them no meaning, and a ".." entry names
// the root by cluster 0, which no object of this driver can stand for.
#include <cstddef>
#include <cstring>

#include "fs/fat/fat_format.h"
#include "fs/fat/fat_internal.h"
#include "fs/fat/fat_name.h"

namespace fat {
namespace {

struct ScanFrame {
  kiv_fatfs_node_t* dir;
  const char* name;  // null: enumeration
  kiv_file_t** result;
  uint32_t cluster, sector, offset;
  uint64_t pos;  // byte offset of the cursor in the directory
  // Not copied in: the kernel zero-fills the rest of a frame.
  LongName lfn;
  char text[kMaxNameBytes];
};
enum { SCAN_LOAD = 0, SCAN_NEXT = 1 };

bool is_dot_entry(const DirEntry& e) {
  return e.name[0] == '.' && (e.name[1] == ' ' || (e.name[1] == '.' && e.name[2] == ' '));
}

uint32_t attributes_of(const DirEntry& e) {
  uint32_t attr = KIV_FILE_ATTR_READ;
  if (!(e.attr & kAttrReadOnly)) attr |= KIV_FILE_ATTR_WRITE;
  if (e.attr & kAttrHidden) attr |= KIV_FILE_ATTR_HIDDEN;
  if (e.attr & kAttrDirectory) attr |= KIV_FILE_ATTR_DIRECTORY;
  return attr;
}

kiv_fatfs_file_t* make_object(const ScanFrame& f, const DirEntry& e, uint32_t sector, uint32_t index) {
  kiv_fatfs_info_t* v = f.dir->root;
  std::size_t len = std::strlen(f.text);
  auto* obj = reinterpret_cast<kiv_fatfs_file_t*>(kiv_file_alloc(static_cast<int>(sizeof(kiv_fatfs_file_t) + len + 1)));
  if (!obj) return nullptr;
  char* name = reinterpret_cast<char*>(obj + 1);
  std::memcpy(name, f.text, len + 1);
  obj->node.file.attr |= attributes_of(e);
  obj->node.file.name = name;
  obj->node.file.size = (e.attr & kAttrDirectory) ? 0 : kiv_le32(e.file_size);
  obj->node.file.fsop = &kiv_fatfs_op;
  obj->node.root = v;
  // The high word is part of the cluster number on FAT32 only; older volumes may use it otherwise.
  uint32_t high = v->type == KIV_FATFS_FAT32 ? kiv_le16(e.cluster_high) : 0;
  obj->node.first_cluster = obj->node.cur_cluster = high << 16 | kiv_le16(e.cluster_low);
  obj->entry_sector = sector;
  obj->entry_index = index;
  return obj;
}

void scan_end(ScanFrame& f) {
  if (!f.name) {  // the next enumeration starts again at the first entry
    kiv_fatfs_node_t* d = f.dir;
    d->cur_cluster = d->first_cluster;
    d->cur_sector = d->cur_offset = 0;
    d->file.pos = 0;
  }
  *f.result = nullptr;
  finish(KIV_ERR_INVALID_PARAMETER);
}

void scan_found(ScanFrame& f, const DirEntry& e, uint32_t sector) {
  kiv_fatfs_info_t* v = f.dir->root;
  kiv_fatfs_file_t* obj = make_object(f, e, sector, f.offset / 32 - 1);
  if (!obj) return finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  if (!f.name) {  // the directory's position moves just past the entry
    kiv_fatfs_node_t* d = f.dir;
    d->cur_cluster = f.cluster;
    d->cur_sector = f.sector + (f.offset >> v->sector_bits);
    d->cur_offset = f.offset & (sector_size(v) - 1);
    d->file.pos = f.pos;
  }
  *f.result = &obj->node.file;
  finish(KIV_ERR_NONE);
}

// Parses the rest of a sector. Returns 1 when an entry was found (object made, handler
// finished), -1 at the end of the directory, 0 when the sector holds nothing more.
int scan_sector(ScanFrame& f, const uint8_t* data, uint32_t sector) {
  const kiv_fatfs_info_t* v = f.dir->root;
  while (f.offset < sector_size(v)) {
    const auto& e = *reinterpret_cast<const DirEntry*>(data + f.offset);
    f.offset += 32;
    f.pos += 32;
    if (e.name[0] == kEntryEnd) return -1;
    if (e.name[0] == kEntryDeleted) { lfn_reset(f.lfn); continue; }
    if ((e.attr & 0x3F) == kAttrLongName) { lfn_add(f.lfn, *reinterpret_cast<const LongNameEntry*>(&e)); continue; }
    bool has_long = lfn_complete_for(f.lfn, e);
    if (has_long) lfn_to_utf8(f.lfn, f.text, sizeof f.text);
    else short_name(e, f.text);
    lfn_reset(f.lfn);
    if ((e.attr & kAttrVolume) || is_dot_entry(e)) continue;
    if (f.name && !kiv_file_is_match(f.name, f.text)) continue;
    scan_found(f, e, sector);
    return 1;
  }
  return 0;
}

void scan_step(ScanFrame& f) {
  kiv_fatfs_info_t* v = f.dir->root;
  bool fixed = is_fixed_root(f.dir);
  for (;;) {
    if (fixed ? f.sector >= v->root_size : f.cluster == 0) return scan_end(f);
    if (!fixed && f.sector == cluster_sectors(v)) {
      kiv_eda_set_frame_state(SCAN_NEXT);
      if (fat_get(v, f.cluster) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    }
    uint32_t sector = (fixed ? v->root_sector : cluster_sector(v, f.cluster)) + f.sector;
    const uint8_t* data = cache_peek(&v->cache, sector);
    if (!data) {
      kiv_eda_set_frame_state(SCAN_LOAD);
      if (cache_read(&v->cache, sector, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    }
    int r = scan_sector(f, data, sector);
    if (r > 0) return;
    if (r < 0) return scan_end(f);
    f.offset = 0;
    f.sector++;
  }
}

void scan_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<ScanFrame>(area);
  if (evt == KIV_EVT_INIT) return scan_step(f);
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (r < 0) return finish(KIV_ERR_INVALID_STATE);
  if (kiv_eda_get_frame_state() == SCAN_NEXT) {
    if (!is_next(f.dir->root, static_cast<uint32_t>(r))) return scan_end(f);  // a broken chain ends the directory
    f.cluster = static_cast<uint32_t>(r);
    f.sector = 0;
  }
  scan_step(f);
}

}  // namespace

void fat_lookup(void* area, kiv_evt_t evt) {
  auto& p = frame<kiv_fs_lookup_param_t>(area);
  auto* dir = reinterpret_cast<kiv_fatfs_node_t*>(kiv_fs_target(area));
  if (evt == KIV_EVT_INIT) {
    *p.result = nullptr;
    if (dir->root->type == KIV_FATFS_EXFAT) return finish(KIV_ERR_NOT_SUPPORT);
    if (!is_dir(dir)) return finish(KIV_ERR_INVALID_ACCESS);
    ScanFrame head{dir, p.name, p.result, dir->first_cluster, 0, 0, 0};
    if (!p.name) {
      head.cluster = dir->cur_cluster;
      head.sector = dir->cur_sector;
      head.offset = dir->cur_offset;
      head.pos = dir->file.pos;
    }
    int r = kiv_eda_call_param(scan_handler, dir, sizeof(ScanFrame), offsetof(ScanFrame, lfn), &head);
    if (r < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    finish(kiv_eda_get_return_value());
  }
}

}  // namespace fat
