// TEST DOUBLE: SCSI device over RAM with fault switches; commands complete at once.
#include "fs/block/test_scsi_dev.h"

#include <cstring>

namespace {

kiv_test_scsi_dev_t* as_fake(void* area) { return reinterpret_cast<kiv_test_scsi_dev_t*>(kiv_scsi_target(area)); }

void fake_init(void* area, kiv_evt_t evt) {
  if (evt == KIV_EVT_INIT) kiv_eda_return(as_fake(area)->fail_init ? KIV_ERR_INVALID_STATE : KIV_ERR_NONE);
}

int inquiry(const kiv_scsi_exec_param_t& p) {
  static constexpr char reply[] = "\x00\x80\x04\x02\x1f\x00\x00\x00" "KORVALEN" "Test Disk Double" "0.01";
  constexpr uint32_t size = sizeof reply - 1;  // standard INQUIRY data: 36 bytes
  static_assert(size == 36);
  uint32_t n = p.length < size ? p.length : size;
  std::memcpy(p.buffer, reply, n);
  return static_cast<int>(n);
}

int capacity(kiv_test_scsi_dev_t* d, const kiv_scsi_exec_param_t& p) {
  if (d->unit_attentions > 0) {
    d->unit_attentions--;
    return KIV_ERR_INVALID_STATE;
  }
  if (p.length < 8) return KIV_ERR_INVALID_STATE;
  auto* out = static_cast<uint8_t*>(p.buffer);
  kiv_put_be32(out, d->block_count - 1);
  kiv_put_be32(out + 4, d->block_size);
  return 8;
}

int transfer(kiv_test_scsi_dev_t* d, const kiv_scsi_exec_param_t& p, bool write) {
  uint32_t lba = kiv_be32(&p.cdb[2]);
  uint64_t bytes = static_cast<uint64_t>(kiv_be16(&p.cdb[7])) * d->block_size;
  if (d->fail_transfers || bytes != p.length || static_cast<uint64_t>(lba) * d->block_size + bytes >
                                                     static_cast<uint64_t>(d->block_count) * d->block_size)
    return KIV_ERR_INVALID_STATE;
  uint8_t* at = d->image + static_cast<uint64_t>(lba) * d->block_size;
  if (write) std::memcpy(at, p.buffer, bytes); else std::memcpy(p.buffer, at, bytes);
  return static_cast<int>(bytes);
}

void fake_execute(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_scsi_exec_param_t*>(area);
  kiv_test_scsi_dev_t* d = as_fake(area);
  bool rw = p.cdb[0] == KIV_SCSI_READ10 || p.cdb[0] == KIV_SCSI_WRITE10;
  if (d->logged < 64)
    d->log[d->logged] = kiv_test_scsi_cmd_t{p.cdb[0], rw ? kiv_be32(&p.cdb[2]) : 0, rw ? kiv_be16(&p.cdb[7]) : uint16_t{0}, p.length};
  d->logged++;
  int r = KIV_ERR_INVALID_STATE;
  if (p.cdb[0] == KIV_SCSI_INQUIRY) r = inquiry(p);
  if (p.cdb[0] == KIV_SCSI_READ_CAPACITY10) r = capacity(d, p);
  if (rw) r = transfer(d, p, p.cdb[0] == KIV_SCSI_WRITE10);
  kiv_eda_return(r);
}

}  // namespace

const kiv_scsi_drv_t kiv_test_scsi_drv{
    .init = fake_init, .fini = kiv_mal_nothing, .execute = fake_execute, .buffer = nullptr};

void kiv_test_scsi_setup(kiv_test_scsi_dev_t* dev, uint8_t* image, uint32_t block_size, uint32_t block_count) {
  std::memset(dev, 0, sizeof *dev);
  dev->scsi.drv = &kiv_test_scsi_drv;
  dev->image = image;
  dev->block_size = block_size;
  dev->block_count = block_count;
}
