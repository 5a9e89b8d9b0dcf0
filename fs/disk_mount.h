// Disk mount: reads a disk's MBR and mounts every FAT partition (types 0x01, 0x04, 0x06, 0x0B,
// 0x0C, 0x0E) as a directory of the mount point, named after its volume label, or root0..root3
// (the partition entry's index) when it has none or the label is taken. Each partition gets one
// heap block (window, volume, one-block cache), released only if its volume is unmounted.
// Sub-call (0 when started, negative when not); its result is 0, or the first failure: the
// disk's read error, KIV_ERR_INVALID_STATE for a sector 0 without an MBR signature, the create/
// open/mount code of a partition (the scan stops there), KIV_ERR_NOT_ENOUGH_RESOURCES.
#pragma once

#include "fs/block/mal.h"
#include "fs/vfs.h"

int kiv_disk_mount(kiv_file_t* dir, kiv_mal_t* disk);  // sub-call
