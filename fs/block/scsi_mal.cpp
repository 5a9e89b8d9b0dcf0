// SCSI disk: start-up as a small state machine (device init, INQUIRY, READ CAPACITY with
// retries), then one READ(10)/WRITE(10) per transfer.
#include "fs/block/scsi_mal.h"

#include <cstring>

namespace {

kiv_scsi_mal_t* as_disk(kiv_mal_t* dev) { return reinterpret_cast<kiv_scsi_mal_t*>(dev); }

uint32_t disk_blksz(kiv_mal_t* dev, uint64_t, uint32_t, int) { return as_disk(dev)->block_size; }

void build_rw(kiv_scsi_mal_t* d, uint64_t address, uint32_t size, bool write) {
  std::memset(d->cdb, 0, sizeof d->cdb);
  d->cdb[0] = write ? KIV_SCSI_WRITE10 : KIV_SCSI_READ10;
  kiv_put_be32(&d->cdb[2], static_cast<uint32_t>(address / d->block_size));
  kiv_put_be16(&d->cdb[7], static_cast<uint16_t>(size / d->block_size));
}

int disk_buffer(kiv_mal_t* dev, uint64_t address, uint32_t size, int op, kiv_mem_desc_t* desc) {
  kiv_scsi_mal_t* d = as_disk(dev);
  build_rw(d, address, size, op != KIV_MAL_OP_READ);
  return kiv_scsi_prepare_buffer(d->dev, d->cdb, desc);
}

enum { INIT_DEVICE = 0, INIT_INQUIRY = 1, INIT_CAPACITY = 2 };

int send(kiv_scsi_mal_t* d, uint8_t op, uint32_t length) {
  std::memset(d->cdb, 0, sizeof d->cdb);
  d->cdb[0] = op;
  if (op == KIV_SCSI_INQUIRY) d->cdb[4] = static_cast<uint8_t>(length);
  d->desc = kiv_mem_desc_t{d->reply, length};
  return kiv_scsi_execute(d->dev, d->cdb, &d->desc);
}

void ask_capacity(kiv_scsi_mal_t* d) {
  kiv_eda_set_frame_state(INIT_CAPACITY);
  d->capacity_tries++;
  if (send(d, KIV_SCSI_READ_CAPACITY10, 8) < 0) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void inquiry_done(kiv_scsi_mal_t* d) {
  char vendor[9], product[17], revision[5];
  std::memcpy(vendor, &d->reply[8], 8);
  std::memcpy(product, &d->reply[16], 16);
  std::memcpy(revision, &d->reply[32], 4);
  vendor[8] = product[16] = revision[4] = '\0';
  kiv_trace(KIV_TRACE_INFO, "scsi_mal: vendor %8s, product %16s, revision %4s\r\n", vendor, product, revision);
  d->capacity_tries = 0;
  ask_capacity(d);
}

// A disk that keeps refusing READ CAPACITY is given up after a bounded number of attempts,
// so that a broken device ends its mount with an error instead of spinning the kernel.
void capacity_done(kiv_scsi_mal_t* d, int r) {
  if (r < 0) {
    if (d->capacity_tries < KIV_SCSI_MAL_CAPACITY_TRIES) return ask_capacity(d);
    return static_cast<void>(kiv_eda_return(r));
  }
  d->block_size = kiv_be32(&d->reply[4]);
  d->mal.size = static_cast<uint64_t>(d->block_size) * (static_cast<uint64_t>(kiv_be32(&d->reply[0])) + 1);
  kiv_eda_return(d->block_size ? KIV_ERR_NONE : KIV_ERR_INVALID_STATE);
}

void disk_init(void* area, kiv_evt_t evt) {
  kiv_scsi_mal_t* d = as_disk(kiv_mal_target(area));
  if (evt == KIV_EVT_INIT) {
    kiv_eda_set_frame_state(INIT_DEVICE);
    if (kiv_scsi_init(d->dev) < 0) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  switch (kiv_eda_get_frame_state()) {
    case INIT_DEVICE:
      if (r < 0) return static_cast<void>(kiv_eda_return(r));
      kiv_eda_set_frame_state(INIT_INQUIRY);
      std::memset(d->reply, 0, sizeof d->reply);
      if (send(d, KIV_SCSI_INQUIRY, sizeof d->reply) < 0) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
      return;
    case INIT_INQUIRY:
      if (r < 0) return static_cast<void>(kiv_eda_return(r));
      return inquiry_done(d);
    case INIT_CAPACITY:
      return capacity_done(d, r);
    default:
      return;
  }
}

template <bool Write>
void disk_rw(void* area, kiv_evt_t evt) {
  auto& p = *static_cast<kiv_mal_rw_param_t*>(area);
  kiv_scsi_mal_t* d = as_disk(kiv_mal_target(area));
  if (evt == KIV_EVT_INIT) {
    build_rw(d, p.address, p.size, Write);
    d->desc = kiv_mem_desc_t{p.buffer, p.size};
    if (kiv_scsi_execute(d->dev, d->cdb, &d->desc) < 0) kiv_eda_return(KIV_ERR_NOT_ENOUGH_RESOURCES);
  } else if (evt == KIV_EVT_RETURN) {
    kiv_eda_return(kiv_eda_get_return_value());
  }
}

}  // namespace

const kiv_mal_drv_t kiv_scsi_mal_drv{
    .blksz = disk_blksz, .buffer = disk_buffer, .init = disk_init, .fini = kiv_mal_nothing,
    .reserved = 0, .read = disk_rw<false>, .write = disk_rw<true>};

void kiv_scsi_mal_setup(kiv_scsi_mal_t* disk, kiv_scsi_dev_t* dev) {
  std::memset(disk, 0, sizeof *disk);
  disk->mal.drv = &kiv_scsi_mal_drv;
  disk->dev = dev;
}
