// Volume-level pure helpers of the FAT driver, exposed for tests and fuzzing: boot-sector
// parsing and the volume label. No I/O; errors are KIV_ERR_INVALID_STATE.
#pragma once

#include <cstdint>

#include "fs/fat/fatfs.h"

namespace fat {

// Fills the geometry fields of `v` from a boot sector read from a device of `block_size`.
int parse_boot_sector(const uint8_t* sector, uint32_t block_size, kiv_fatfs_info_t* v);
// Sets `label`/`label_ptr` from the first sector of the root directory.
void take_label(kiv_fatfs_info_t* v, const uint8_t* sector);

}  // namespace fat
