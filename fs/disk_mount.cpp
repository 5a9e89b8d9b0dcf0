// Disk mount: one small state machine per partition entry: create the directory, open it,
// mount the volume, close it, then take the label as its name.
#include "fs/disk_mount.h"

#include <cstdio>
#include <cstring>

#include "fs/block/part_mal.h"
#include "fs/fat/fat_format.h"
#include "fs/fat/fatfs.h"

namespace {

constexpr uint32_t kSector = 512;

// Everything one mounted partition needs, in one allocation.
struct Partition {
  kiv_partmal_t window;
  char name[8];
  kiv_fatfs_info_t volume;
  kiv_fatfs_cache_entry_t entry;
  alignas(8) uint8_t buffer[kSector];
};

struct MountFrame {
  kiv_file_t* dir;
  kiv_mal_t* disk;
  uint8_t* mbr;
  Partition* part;
  kiv_file_t* opened;
  int index;    // partition entry being handled
  int failure;  // the scan's result
};

enum { DM_MBR = 0, DM_CREATE, DM_OPEN, DM_MOUNT, DM_CLOSE, DM_RENAME, DM_FAIL_CLOSE, DM_FAIL_UNLINK };

bool is_fat_type(uint8_t type) {
  constexpr uint8_t kTypes[] = {0x01, 0x04, 0x06, 0x0B, 0x0C, 0x0E};
  for (uint8_t t : kTypes)
    if (t == type) return true;
  return false;
}

void on_result(MountFrame& f, int state, int r);

// Enters `state`, then starts the sub-call (the state belongs to this frame, so it is set
// before the callee's frame exists); one that could not start is handled at once as that
// state's failure.
template <typename Start>
void expect(MountFrame& f, int state, Start start) {
  kiv_eda_set_frame_state(state);
  int started = start();
  if (started < 0) on_result(f, state, started);
}

void scan_end(MountFrame& f) {
  kiv_heap_free(f.mbr);
  f.mbr = nullptr;
  kiv_eda_return(f.failure);
}

Partition* new_partition(MountFrame& f, const fat::PartitionEntry& e) {
  auto* p = static_cast<Partition*>(kiv_heap_calloc(1, sizeof(Partition)));
  if (!p) return nullptr;
  kiv_partmal_setup(&p->window, f.disk, static_cast<uint64_t>(kiv_le32(e.first_lba)) * kSector,
                    static_cast<uint64_t>(kiv_le32(e.sector_count)) * kSector);
  std::snprintf(p->name, sizeof p->name, "root%d", f.index);
  // The whole block is the volume's to release, should it ever be unmounted.
  kiv_fatfs_setup(&p->volume, &p->window.mal, kSector, &p->entry, p->buffer, 1, p);
  return p;
}

void next_partition(MountFrame& f) {
  for (; f.index < 4; ++f.index) {
    const auto& e = reinterpret_cast<const fat::PartitionEntry*>(f.mbr + fat::kPartitionTable)[f.index];
    if (!is_fat_type(e.type)) continue;
    f.part = new_partition(f, e);
    if (!f.part) {
      f.failure = KIV_ERR_NOT_ENOUGH_RESOURCES;
      return scan_end(f);
    }
    return expect(f, DM_CREATE, [&] { return kiv_file_create(f.dir, f.part->name, KIV_FILE_ATTR_DIRECTORY | KIV_FILE_ATTR_READ); });
  }
  scan_end(f);
}

void drop_partition(MountFrame& f) {
  kiv_heap_free(f.part);
  f.part = nullptr;
  scan_end(f);
}

// A partition that failed leaves nothing behind: its directory goes again.
void on_failure(MountFrame& f, int state, int r) {
  if (state == DM_FAIL_CLOSE) return expect(f, DM_FAIL_UNLINK, [&] { return kiv_file_unlink(f.dir, f.part->name); });
  if (state == DM_FAIL_UNLINK) return drop_partition(f);
  f.failure = r;
  if (state == DM_CREATE) return drop_partition(f);
  if (state == DM_OPEN) return expect(f, DM_FAIL_UNLINK, [&] { return kiv_file_unlink(f.dir, f.part->name); });
  expect(f, DM_FAIL_CLOSE, [&] { return kiv_file_close(f.opened); });
}

void on_result(MountFrame& f, int state, int r) {
  if (state == DM_MBR) {
    if (r != static_cast<int>(kSector)) f.failure = r < 0 ? r : KIV_ERR_INVALID_STATE;
    else if (f.mbr[510] != 0x55 || f.mbr[511] != 0xAA) f.failure = KIV_ERR_INVALID_STATE;
    return f.failure ? scan_end(f) : next_partition(f);
  }
  if (state >= DM_FAIL_CLOSE || (r < 0 && state != DM_RENAME)) return on_failure(f, state, r);
  switch (state) {
    case DM_CREATE:
      return expect(f, DM_OPEN, [&] { return kiv_file_open(f.dir, f.part->name, &f.opened); });
    case DM_OPEN:
      return expect(f, DM_MOUNT, [&] { return kiv_fs_mount(f.opened, &kiv_fatfs_op, &f.part->volume.node.file); });
    case DM_MOUNT:
      return expect(f, DM_CLOSE, [&] { return kiv_file_close(f.opened); });
    case DM_CLOSE:
      // A label another partition already took leaves this one under its index name.
      if (f.part->volume.label_ptr)
        return expect(f, DM_RENAME, [&] { return kiv_file_rename(f.dir, f.part->name, f.dir, f.part->volume.label_ptr); });
      [[fallthrough]];
    default:
      f.part = nullptr;
      f.index++;
      return next_partition(f);
  }
}

void disk_mount_handler(void* area, kiv_evt_t evt) {
  auto& f = *static_cast<MountFrame*>(area);
  if (evt == KIV_EVT_INIT) {
    f.mbr = static_cast<uint8_t*>(kiv_heap_malloc(kSector));
    if (!f.mbr) return static_cast<void>(kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES));
    return expect(f, DM_MBR, [&] { return kiv_mal_read(f.disk, 0, kSector, f.mbr); });
  }
  if (evt == KIV_EVT_RETURN) on_result(f, kiv_eda_get_frame_state(), kiv_eda_get_return_value());
}

}  // namespace

int kiv_disk_mount(kiv_file_t* dir, kiv_mal_t* disk) {
  if (!dir) dir = kiv_fs_root();
  MountFrame f{dir, disk, nullptr, nullptr, nullptr, 0, 0};
  int r = kiv_eda_call_param(disk_mount_handler, dir, sizeof f, sizeof f, &f);
  return r == KIV_EVT_RETURN ? KIV_ERR_NONE : r;
}
