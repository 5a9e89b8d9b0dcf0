// The application's general tools: mount (block-device and host-directory filesystems),
// write (overwrites the start of an existing file) and reset (restarts the program).
// Program entries run as environment processes; 0 on success, -1 on failure.
#pragma once

#include "fs/vfs.h"

int mount_main(int argc, char** argv);
int write_main(int argc, char** argv);
int reset_main(int argc, char** argv);

// How "auto" and "fatfs" open a block-device file: returns the prepared device data, or null
// after printing why. Set by the storage layer; without it those types are refused.
struct app_block_mount_t {
  void* (*prepare)(const char* device, unsigned block_size);
  void (*release)(void* data);
};
void app_set_block_mount(const app_block_mount_t* ops);
