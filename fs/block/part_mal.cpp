// Partition window: every transfer is the underlying device's, shifted by the offset.
#include "fs/block/part_mal.h"

namespace {

kiv_partmal_t* as_part(kiv_mal_t* dev) { return reinterpret_cast<kiv_partmal_t*>(dev); }

uint32_t part_blksz(kiv_mal_t* dev, uint64_t address, uint32_t size, int op) {
  return kiv_mal_blksz(as_part(dev)->under, address + as_part(dev)->offset, size, op);
}

int part_buffer(kiv_mal_t* dev, uint64_t address, uint32_t size, int op, kiv_mem_desc_t* desc) {
  return kiv_mal_prepare_buffer(as_part(dev)->under, address + as_part(dev)->offset, size, op, desc);
}

template <bool Write>
void part_rw(void* area, kiv_evt_t evt) {
  auto& p = *static_cast<kiv_mal_rw_param_t*>(area);
  kiv_partmal_t* dev = as_part(kiv_mal_target(area));
  if (evt == KIV_EVT_INIT) {
    uint64_t address = p.address + dev->offset;
    int r = Write ? kiv_mal_write(dev->under, address, p.size, p.buffer) : kiv_mal_read(dev->under, address, p.size, p.buffer);
    if (r < 0) kiv_eda_return(KIV_ERR_FAIL);
  } else if (evt == KIV_EVT_RETURN) {
    kiv_eda_return(kiv_eda_get_return_value());
  }
}

}  // namespace

const kiv_mal_drv_t kiv_partmal_drv{
    .blksz = part_blksz, .buffer = part_buffer, .init = kiv_mal_nothing, .fini = kiv_mal_nothing,
    .reserved = 0, .read = part_rw<false>, .write = part_rw<true>};

void kiv_partmal_setup(kiv_partmal_t* dev, kiv_mal_t* under, uint64_t offset, uint64_t size) {
  dev->mal = kiv_mal_t{&kiv_partmal_drv, size};
  dev->under = under;
  dev->offset = offset;
}
