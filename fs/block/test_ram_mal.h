// TEST DOUBLE: a block device over a caller-owned RAM image, for tests of the filesystems above
// it. It counts reads and writes and can be told to fail: every write after the first
// `writes_before_failure` ones (negative: never), every read while `fail_reads` is set, and any
// transfer that is not whole blocks inside the image. Failures answer KIV_ERR_INVALID_STATE and
// change nothing. Transfers complete at the first dispatch (one sub-call each).
#pragma once

#include <cstdint>

#include "fs/block/mal.h"

struct kiv_test_ram_mal_t {
  kiv_mal_t mal;
  uint8_t* image;
  uint32_t block_size;
  int64_t writes_before_failure;  // negative: writes never fail
  bool fail_reads;
  uint32_t reads;
  uint32_t writes;
  uint32_t rejected;  // transfers refused (injected failures and bad ranges)
};

extern const kiv_mal_drv_t kiv_test_ram_mal_drv;
void kiv_test_ram_mal_setup(kiv_test_ram_mal_t* dev, uint8_t* image, uint64_t size, uint32_t block_size);
