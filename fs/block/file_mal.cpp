// File block device: seek, then read or write through the VFS.
#include "fs/block/file_mal.h"

namespace {

kiv_fmal_t* as_fmal(void* area) { return reinterpret_cast<kiv_fmal_t*>(kiv_mal_target(area)); }

uint32_t fmal_blksz(kiv_mal_t* dev, uint64_t, uint32_t, int) { return reinterpret_cast<kiv_fmal_t*>(dev)->block_size; }

void fmal_init(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  kiv_fmal_t* dev = as_fmal(area);
  if (dev->block_size == 0) return static_cast<void>(kiv_eda_return(KIV_ERR_INVALID_PARAMETER));
  dev->mal.size = dev->file->size - dev->file->size % dev->block_size;
  kiv_eda_return(KIV_ERR_NONE);
}

enum { RW_SEEK = 0, RW_MOVE = 1 };

// The seek's result decides: moving bytes at some other position would silently hand back
// (or overwrite) the wrong blocks.
template <bool Write>
void fmal_rw(void* area, kiv_evt_t evt) {
  auto& p = *static_cast<kiv_mal_rw_param_t*>(area);
  kiv_fmal_t* dev = as_fmal(area);
  if (evt == KIV_EVT_INIT) {
    kiv_eda_set_frame_state(RW_SEEK);
    if (kiv_file_seek(dev->file, static_cast<int64_t>(p.address), 0) < 0) kiv_eda_return(KIV_ERR_FAIL);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (kiv_eda_get_frame_state() == RW_MOVE || r < 0) return static_cast<void>(kiv_eda_return(r));
  kiv_eda_set_frame_state(RW_MOVE);
  int started = Write ? kiv_file_write(dev->file, p.buffer, p.size) : kiv_file_read(dev->file, p.buffer, p.size);
  if (started < 0) kiv_eda_return(KIV_ERR_FAIL);
}

}  // namespace

const kiv_mal_drv_t kiv_fmal_drv{
    .blksz = fmal_blksz, .buffer = nullptr, .init = fmal_init, .fini = kiv_mal_nothing,
    .reserved = 0, .read = fmal_rw<false>, .write = fmal_rw<true>};

void kiv_fmal_setup(kiv_fmal_t* dev, kiv_file_t* file, uint32_t block_size) {
  dev->mal = kiv_mal_t{&kiv_fmal_drv, 0};
  dev->file = file;
  dev->block_size = block_size;
}
