// SCSI device calls: sub-calls of the device's handlers, and the command-length table.
#include "fs/block/scsi.h"

namespace {

int start(kiv_area_handler_t fn, kiv_scsi_dev_t* dev, uint16_t size, const void* block) {
  int r = kiv_eda_call_param(fn, dev, size, block ? size : 0, block);
  return r == KIV_EVT_RETURN ? KIV_ERR_NONE : r;
}

}  // namespace

int kiv_scsi_init(kiv_scsi_dev_t* dev) { return start(dev->drv->init, dev, KIV_MAL_INIT_FRAME, nullptr); }

int kiv_scsi_execute(kiv_scsi_dev_t* dev, const uint8_t* cdb, const kiv_mem_desc_t* desc) {
  kiv_scsi_exec_param_t p{cdb, desc ? desc->buffer : nullptr, desc ? desc->length : 0, 0};
  return start(dev->drv->execute, dev, sizeof p, &p);
}

int kiv_scsi_prepare_buffer(kiv_scsi_dev_t* dev, const uint8_t* cdb, kiv_mem_desc_t* desc) {
  return dev->drv->buffer ? dev->drv->buffer(dev, cdb, desc) : 0;
}

int kiv_scsi_get_command_length(const uint8_t* cdb) {
  static constexpr int by_group[8] = {6, 10, 10, 0, 16, 12, 0, 0};
  return by_group[cdb[0] >> 5];
}
