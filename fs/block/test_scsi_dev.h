// TEST DOUBLE: a SCSI device over a caller-owned RAM image, standing in for the USB
// mass-storage driver in tests of the SCSI disk. It answers INQUIRY, READ CAPACITY(10), READ(10)
// and WRITE(10); everything else fails. Fault switches: READ CAPACITY answers unit attention
// (KIV_ERR_INVALID_STATE) for its first `unit_attentions` calls; init can fail; READ(10) and
// WRITE(10) can fail. Every command is logged (operation, block address, block count).
#pragma once

#include <cstdint>

#include "fs/block/scsi.h"

struct kiv_test_scsi_cmd_t {
  uint8_t op;
  uint32_t lba;
  uint16_t blocks;
  uint32_t length;  // bytes of the data area given
};

struct kiv_test_scsi_dev_t {
  kiv_scsi_dev_t scsi;
  uint8_t* image;
  uint32_t block_size;
  uint32_t block_count;
  uint32_t unit_attentions;  // READ CAPACITY failures still to give
  bool fail_init;
  bool fail_transfers;
  kiv_test_scsi_cmd_t log[64];
  uint32_t logged;  // commands seen (the log keeps the first 64)
};

extern const kiv_scsi_drv_t kiv_test_scsi_drv;
void kiv_test_scsi_setup(kiv_test_scsi_dev_t* dev, uint8_t* image, uint32_t block_size, uint32_t block_count);
