// Block-device calls: each starts the device's handler as a sub-call with the device as target.
#include "fs/block/mal.h"

namespace {

int start(kiv_area_handler_t fn, kiv_mal_t* dev, uint16_t size, const void* block) {
  int r = kiv_eda_call_param(fn, dev, size, block ? size : 0, block);
  return r == KIV_EVT_RETURN ? KIV_ERR_NONE : r;
}

}  // namespace

int kiv_mal_init(kiv_mal_t* dev) { return start(dev->drv->init, dev, KIV_MAL_INIT_FRAME, nullptr); }

int kiv_mal_read(kiv_mal_t* dev, uint64_t address, uint32_t size, void* buffer) {
  kiv_mal_rw_param_t p{address, size, buffer};
  return start(dev->drv->read, dev, sizeof p, &p);
}

int kiv_mal_write(kiv_mal_t* dev, uint64_t address, uint32_t size, const void* buffer) {
  kiv_mal_rw_param_t p{address, size, const_cast<void*>(buffer)};
  return start(dev->drv->write, dev, sizeof p, &p);
}

uint32_t kiv_mal_blksz(kiv_mal_t* dev, uint64_t address, uint32_t size, int op) {
  return dev->drv->blksz(dev, address, size, op);
}

int kiv_mal_prepare_buffer(kiv_mal_t* dev, uint64_t address, uint32_t size, int op, kiv_mem_desc_t* desc) {
  return dev->drv->buffer ? dev->drv->buffer(dev, address, size, op, desc) : 0;
}

void kiv_mal_nothing(void*, kiv_evt_t evt) {
  if (evt == KIV_EVT_INIT) kiv_eda_return(KIV_ERR_NONE);
}
