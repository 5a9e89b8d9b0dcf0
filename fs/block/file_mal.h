// File block device: a block device over an open file of the VFS (an image file or a device
// file). The creator opens the file, fills the record with kiv_fmal_setup and runs kiv_mal_init;
// the device holds the file open from then on (closing it is the creator's job).
// init makes `size` the file size cut to whole blocks. A read or write seeks the file to the
// address and moves the bytes; a failed seek fails the transfer with the seek's code.
#pragma once

#include "fs/block/mal.h"
#include "fs/vfs.h"

struct kiv_fmal_t {
  kiv_mal_t mal;
  kiv_file_t* file;
  uint32_t block_size;
};

extern const kiv_mal_drv_t kiv_fmal_drv;
void kiv_fmal_setup(kiv_fmal_t* dev, kiv_file_t* file, uint32_t block_size);
