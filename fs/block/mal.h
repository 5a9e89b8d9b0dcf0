// Block devices: the uniform face of anything that stores fixed-size blocks (a file of the VFS,
// a window onto part of another device, a SCSI disk). Addresses and sizes are bytes and whole
// blocks. init/read/write run as sub-calls with the device as target: they return 0 when the
// sub-call started (a thread gets the result at once through kiv_eda_get_return_value) or a
// negative code when it could not start. Read/write results are bytes moved or a negative
// kiv_err_t. Kernel task context only; a device is used by one filesystem at a time (no locks).
#pragma once

#include <cstdint>

#include "kernel/kernel.h"

inline constexpr int KIV_MAL_OP_READ = 1;
inline constexpr int KIV_MAL_OP_WRITE = 2;

// A memory area offered for a transfer.
struct kiv_mem_desc_t {
  void* buffer;
  uint32_t length;
};

struct kiv_mal_t;

struct kiv_mal_drv_t {
  uint32_t (*blksz)(kiv_mal_t* dev, uint64_t address, uint32_t size, int op);
  // May be null. Non-zero when the device offers its own buffer for the transfer (in `desc`).
  int (*buffer)(kiv_mal_t* dev, uint64_t address, uint32_t size, int op, kiv_mem_desc_t* desc);
  kiv_area_handler_t init;
  kiv_area_handler_t fini;
  uint32_t reserved;  // 0 in every table
  kiv_area_handler_t read;
  kiv_area_handler_t write;
};

// Head of every block device.
struct kiv_mal_t {
  const kiv_mal_drv_t* drv;
  uint64_t size;  // bytes
};

// Parameter block of read and write; the handler's frame is exactly this block.
struct kiv_mal_rw_param_t {
  uint64_t address;
  uint32_t size;
  void* buffer;
};
static_assert(sizeof(kiv_mal_rw_param_t) == 24);
inline constexpr uint16_t KIV_MAL_INIT_FRAME = 4;

// The device a block-device handler runs on.
inline kiv_mal_t* kiv_mal_target(void* area) { return static_cast<kiv_mal_t*>(kiv_eda_frame_param(area)); }

int kiv_mal_init(kiv_mal_t* dev);                                                 // sub-call
int kiv_mal_read(kiv_mal_t* dev, uint64_t address, uint32_t size, void* buffer);  // sub-call
int kiv_mal_write(kiv_mal_t* dev, uint64_t address, uint32_t size, const void* buffer);  // sub-call
uint32_t kiv_mal_blksz(kiv_mal_t* dev, uint64_t address, uint32_t size, int op);
int kiv_mal_prepare_buffer(kiv_mal_t* dev, uint64_t address, uint32_t size, int op, kiv_mem_desc_t* desc);

// Shared handler for slots with nothing to do (answers 0 at once).
void kiv_mal_nothing(void* area, kiv_evt_t evt);
