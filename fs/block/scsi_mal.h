// SCSI disk: a block device over a SCSI device (the USB mass-storage driver, or a test double).
// init runs the device's init, INQUIRY (traces vendor, product, revision) and READ CAPACITY(10),
// repeating the last while it fails (a fresh disk reports unit attention first), up to
// KIV_SCSI_MAL_CAPACITY_TRIES attempts. Reads and writes are one READ(10) / WRITE(10) each; the
// device's result is returned unchanged (no sense data, no retries). One command area: one
// transfer at a time, which the single filesystem above guarantees.
#pragma once

#include "fs/block/mal.h"
#include "fs/block/scsi.h"

struct kiv_scsi_mal_t {
  kiv_mal_t mal;
  kiv_scsi_dev_t* dev;
  uint32_t block_size;
  uint8_t cdb[16];
  kiv_mem_desc_t desc;
  uint8_t reply[36];
  uint32_t capacity_tries;  // READ CAPACITY attempts made by the running init
};

inline constexpr uint32_t KIV_SCSI_MAL_CAPACITY_TRIES = 64;

extern const kiv_mal_drv_t kiv_scsi_mal_drv;
void kiv_scsi_mal_setup(kiv_scsi_mal_t* disk, kiv_scsi_dev_t* dev);
