// TEST DOUBLE: RAM block device with injected failures.
#include "fs/block/test_ram_mal.h"

#include <cstring>

namespace {

kiv_test_ram_mal_t* as_ram(kiv_mal_t* dev) { return reinterpret_cast<kiv_test_ram_mal_t*>(dev); }

uint32_t ram_blksz(kiv_mal_t* dev, uint64_t, uint32_t, int) { return as_ram(dev)->block_size; }

bool in_range(const kiv_test_ram_mal_t* d, const kiv_mal_rw_param_t& p) {
  return p.address % d->block_size == 0 && p.size % d->block_size == 0 && p.address <= d->mal.size &&
         p.size <= d->mal.size - p.address;
}

template <bool Write>
void ram_rw(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_mal_rw_param_t*>(area);
  kiv_test_ram_mal_t* d = as_ram(kiv_mal_target(area));
  bool injected = Write ? (d->writes_before_failure >= 0 && d->writes >= d->writes_before_failure) : d->fail_reads;
  if (injected || !in_range(d, p)) {
    d->rejected++;
    return static_cast<void>(kiv_eda_return(KIV_ERR_INVALID_STATE));
  }
  if (Write) {
    d->writes++;
    std::memcpy(d->image + p.address, p.buffer, p.size);
  } else {
    d->reads++;
    std::memcpy(p.buffer, d->image + p.address, p.size);
  }
  kiv_eda_return(static_cast<int>(p.size));
}

}  // namespace

const kiv_mal_drv_t kiv_test_ram_mal_drv{
    .blksz = ram_blksz, .buffer = nullptr, .init = kiv_mal_nothing, .fini = kiv_mal_nothing,
    .reserved = 0, .read = ram_rw<false>, .write = ram_rw<true>};

void kiv_test_ram_mal_setup(kiv_test_ram_mal_t* dev, uint8_t* image, uint64_t size, uint32_t block_size) {
  *dev = kiv_test_ram_mal_t{};
  dev->mal = kiv_mal_t{&kiv_test_ram_mal_drv, size};
  dev->image = image;
  dev->block_size = block_size;
  dev->writes_before_failure = -1;
}
