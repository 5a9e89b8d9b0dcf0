// Partition window: a block device that is a byte range of another block device (one per MBR
// partition). Reads, writes and buffer requests are passed to the underlying device at the
// address plus the window's offset; its results come back unchanged. Nothing is checked against
// the window's size: the creator sets `size` and the filesystem above stays inside it.
#pragma once

#include "fs/block/mal.h"

struct kiv_partmal_t {
  kiv_mal_t mal;
  kiv_mal_t* under;
  uint64_t offset;  // bytes
};

extern const kiv_mal_drv_t kiv_partmal_drv;
void kiv_partmal_setup(kiv_partmal_t* dev, kiv_mal_t* under, uint64_t offset, uint64_t size);
