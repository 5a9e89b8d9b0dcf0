// The FAT filesystem's operation table and the volume record's set-up.
#include <cstring>

#include "fs/fat/fat_internal.h"

const kiv_fs_op_t kiv_fatfs_op{
    .mount = {fat::fat_mount, 0},
    .unmount = {fat::fat_unmount, 0},
    .rename = KIV_FS_NOT_SUPPORTED,
    .close = KIV_FS_NOTHING,  // the name lives in the object's own allocation
    .read = {fat::fat_read, fat::kRwFramePrivate},
    .write = {fat::fat_write, fat::kRwFramePrivate},
    .resize = {fat::fat_resize, fat::kResizeFramePrivate},
    .setpos = {fat::fat_setpos, 0},
    .lookup = {fat::fat_lookup, 0},
    .create = KIV_FS_NOT_SUPPORTED,
    .unlink = KIV_FS_NOT_SUPPORTED,
};

void kiv_fatfs_setup(kiv_fatfs_info_t* vol, kiv_mal_t* mal, uint32_t block_size, kiv_fatfs_cache_entry_t* entries,
                     uint8_t* buffers, uint32_t count, void* mem) {
  std::memset(vol, 0, sizeof *vol);
  vol->node.root = vol;
  vol->node.file.name = "";
  vol->cache = kiv_fatfs_cache_t{mal, block_size, count, entries, buffers, mem};
  fat::cache_empty(&vol->cache);
}
