// SCSI device interface, seen from the caller: a device object begins with a pointer to its
// operation table. init and execute run as sub-calls with the device as target (0 when started,
// negative when the sub-call could not start); execute's result is the bytes moved or a negative
// kiv_err_t (KIV_ERR_INVALID_STATE from the mass-storage driver). The data direction follows
// from the command. Kernel task context only; one command at a time per device.
#pragma once

#include <cstdint>

#include "fs/block/mal.h"

struct kiv_scsi_dev_t;

// Parameter block of execute: the command block, the data area (null/0 for none), a zero word.
struct kiv_scsi_exec_param_t {
  const uint8_t* cdb;
  void* buffer;
  uint32_t length;
  uint32_t zero;
};
static_assert(sizeof(kiv_scsi_exec_param_t) == 24);

struct kiv_scsi_drv_t {
  kiv_area_handler_t init;
  kiv_area_handler_t fini;
  kiv_area_handler_t execute;
  // May be null. Non-zero when the device offers its own buffer for the command (in `desc`).
  int (*buffer)(kiv_scsi_dev_t* dev, const uint8_t* cdb, kiv_mem_desc_t* desc);
};

struct kiv_scsi_dev_t {
  const kiv_scsi_drv_t* drv;
};

inline kiv_scsi_dev_t* kiv_scsi_target(void* area) { return static_cast<kiv_scsi_dev_t*>(kiv_eda_frame_param(area)); }

inline constexpr uint8_t KIV_SCSI_INQUIRY = 0x12;
inline constexpr uint8_t KIV_SCSI_READ_CAPACITY10 = 0x25;
inline constexpr uint8_t KIV_SCSI_READ10 = 0x28;
inline constexpr uint8_t KIV_SCSI_WRITE10 = 0x2A;

int kiv_scsi_init(kiv_scsi_dev_t* dev);                                                // sub-call
int kiv_scsi_execute(kiv_scsi_dev_t* dev, const uint8_t* cdb, const kiv_mem_desc_t* desc);  // sub-call
int kiv_scsi_prepare_buffer(kiv_scsi_dev_t* dev, const uint8_t* cdb, kiv_mem_desc_t* desc);
// Length of the command block from its operation code's group (0 for reserved groups).
int kiv_scsi_get_command_length(const uint8_t* cdb);

// Big-endian fields of command blocks and replies.
inline uint32_t kiv_be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}
inline uint16_t kiv_be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline void kiv_put_be32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24); p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8); p[3] = static_cast<uint8_t>(v);
}
inline void kiv_put_be16(uint8_t* p, uint16_t v) { p[0] = static_cast<uint8_t>(v >> 8); p[1] = static_cast<uint8_t>(v); }
