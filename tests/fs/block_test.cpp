// Block devices: the file-backed device, the partition window, and the SCSI disk over the SCSI
// test double (unit attention at start-up, command blocks, failures).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fs/block/file_mal.h"
#include "fs/block/part_mal.h"
#include "fs/block/scsi_mal.h"
#include "fs/block/test_ram_mal.h"
#include "fs/block/test_scsi_dev.h"
#include "tests/fs/fat_fixture.h"

namespace {

using namespace fattest;

TEST(FileBlockDevice, SizeIsWholeBlocksAndTransfersFollowTheAddress) {
  kvtest::run_on_kernel([] {
    kiv_fs_init();
    ASSERT_EQ(kiv_fs_wait(kiv_file_create(nullptr, "blockimg", KIV_FILE_ATTR_READ | KIV_FILE_ATTR_WRITE)), 0);
    kiv_file_t* f = open_path("blockimg");
    ASSERT_NE(f, nullptr);
    auto data = pattern(1000, 1);
    ASSERT_EQ(write_bytes(f, data), 1000);
    kiv_fmal_t dev{};
    kiv_fmal_setup(&dev, f, 512);
    ASSERT_EQ(kiv_fs_wait(kiv_mal_init(&dev.mal)), KIV_ERR_NONE);
    EXPECT_EQ(dev.mal.size, 512u);  // 1000 bytes hold one whole 512-byte block
    EXPECT_EQ(kiv_mal_blksz(&dev.mal, 0, 512, KIV_MAL_OP_READ), 512u);
    std::vector<uint8_t> block(512);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_read(&dev.mal, 0, 512, block.data())), 512);
    EXPECT_EQ(0, std::memcmp(block.data(), data.data(), 512));
    auto fresh = pattern(512, 2);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_write(&dev.mal, 0, 512, fresh.data())), 512);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 0)), 0);
    EXPECT_EQ(read_all(f), [&] { auto v = fresh; v.insert(v.end(), data.begin() + 512, data.end()); return v; }());
    // An address past the file fails instead of moving bytes at the old position.
    EXPECT_LT(kiv_fs_wait(kiv_mal_read(&dev.mal, 1536, 512, block.data())), 0);
    close_file(f);
    kiv_fs_wait(kiv_file_unlink(nullptr, "blockimg"));
  });
}

TEST(PartitionWindow, AddsTheOffsetForEveryLength) {
  std::vector<uint8_t> image = pattern(2 * 1024 * 1024, 3);
  kiv_test_ram_mal_t ram;
  kiv_test_ram_mal_setup(&ram, image.data(), image.size(), 512);
  kiv_partmal_t part;
  kiv_partmal_setup(&part, &ram.mal, 1024 * 1024, 1024 * 1024);
  kvtest::run_on_kernel([&] {
    for (uint32_t len : {512u, 4096u, 65536u}) {
      std::vector<uint8_t> buf(len);
      EXPECT_EQ(kiv_fs_wait(kiv_mal_read(&part.mal, 0, len, buf.data())), static_cast<int>(len));
      EXPECT_EQ(0, std::memcmp(buf.data(), image.data() + 1048576, len)) << len;
    }
    auto fresh = pattern(1024, 4);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_write(&part.mal, 2048, 1024, fresh.data())), 1024);
    EXPECT_EQ(0, std::memcmp(image.data() + 1048576 + 2048, fresh.data(), 1024));
    EXPECT_EQ(kiv_mal_blksz(&part.mal, 0, 512, KIV_MAL_OP_READ), 512u);
    // The underlying device's failure comes back unchanged.
    ram.fail_reads = true;
    std::vector<uint8_t> buf(512);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_read(&part.mal, 0, 512, buf.data())), KIV_ERR_INVALID_STATE);
  });
}

TEST(RamDevice, FailsAfterTheGivenNumberOfWrites) {
  std::vector<uint8_t> image(4096);
  kiv_test_ram_mal_t ram;
  kiv_test_ram_mal_setup(&ram, image.data(), image.size(), 512);
  ram.writes_before_failure = 2;
  kvtest::run_on_kernel([&] {
    auto data = pattern(512, 5);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_write(&ram.mal, 0, 512, data.data())), 512);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_write(&ram.mal, 512, 512, data.data())), 512);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_write(&ram.mal, 1024, 512, data.data())), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(image[1024], 0);
  });
}

// ---- SCSI disk -------------------------------------------------------------------------------

struct ScsiRig {
  std::vector<uint8_t> image;
  kiv_test_scsi_dev_t dev{};
  kiv_scsi_mal_t disk{};
  explicit ScsiRig(uint32_t blocks) : image(static_cast<std::size_t>(blocks) * 512) {
    kiv_test_scsi_setup(&dev, image.data(), 512, blocks);
    kiv_scsi_mal_setup(&disk, &dev.scsi);
  }
};

TEST(ScsiDisk, StartUpSurvivesUnitAttentionAndReportsTheCapacity) {
  ScsiRig rig(0x4000);  // last block 0x3FFF
  rig.dev.unit_attentions = 2;
  kvtest::run_on_kernel([&] {
    kvtest::TraceCapture trace;
    ASSERT_EQ(kiv_fs_wait(kiv_mal_init(&rig.disk.mal)), KIV_ERR_NONE);
    EXPECT_EQ(rig.disk.mal.size, 8388608u);
    EXPECT_EQ(rig.disk.block_size, 512u);
    EXPECT_NE(trace.text().find("scsi_mal: vendor KORVALEN, product Test Disk Double, revision 0.01\r\n"), std::string::npos)
        << trace.text();
  });
  ASSERT_EQ(rig.dev.logged, 4u);
  EXPECT_EQ(rig.dev.log[0].op, KIV_SCSI_INQUIRY);
  EXPECT_EQ(rig.dev.log[0].length, 36u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(rig.dev.log[i].op, KIV_SCSI_READ_CAPACITY10) << i;
}

TEST(ScsiDisk, ADiskThatNeverAnswersCapacityFailsInsteadOfSpinning) {
  ScsiRig rig(64);
  rig.dev.unit_attentions = 1000;
  kvtest::run_on_kernel([&] { EXPECT_EQ(kiv_fs_wait(kiv_mal_init(&rig.disk.mal)), KIV_ERR_INVALID_STATE); });
  EXPECT_EQ(rig.dev.logged, 1 + KIV_SCSI_MAL_CAPACITY_TRIES);
  ScsiRig broken(64);
  broken.dev.fail_init = true;
  kvtest::run_on_kernel([&] { EXPECT_EQ(kiv_fs_wait(kiv_mal_init(&broken.disk.mal)), KIV_ERR_INVALID_STATE); });
  EXPECT_EQ(broken.dev.logged, 0u);
}

TEST(ScsiDisk, OneReadOrWriteCommandPerTransfer) {
  ScsiRig rig(1024);
  auto content = pattern(rig.image.size(), 6);
  rig.image = content;
  rig.dev.image = rig.image.data();
  kvtest::run_on_kernel([&] {
    ASSERT_EQ(kiv_fs_wait(kiv_mal_init(&rig.disk.mal)), KIV_ERR_NONE);
    std::vector<uint8_t> buf(65536);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_read(&rig.disk.mal, 10 * 512, 65536, buf.data())), 65536);
    EXPECT_EQ(0, std::memcmp(buf.data(), content.data() + 5120, 65536));
    auto fresh = pattern(1024, 7);
    EXPECT_EQ(kiv_fs_wait(kiv_mal_write(&rig.disk.mal, 300 * 512, 1024, fresh.data())), 1024);
    EXPECT_EQ(0, std::memcmp(rig.image.data() + 300 * 512, fresh.data(), 1024));
    rig.dev.fail_transfers = true;
    EXPECT_EQ(kiv_fs_wait(kiv_mal_read(&rig.disk.mal, 0, 512, buf.data())), KIV_ERR_INVALID_STATE);
  });
  ASSERT_EQ(rig.dev.logged, 5u);  // INQUIRY, READ CAPACITY, READ, WRITE, READ
  EXPECT_EQ(rig.dev.log[2].op, KIV_SCSI_READ10);
  EXPECT_EQ(rig.dev.log[2].lba, 10u);
  EXPECT_EQ(rig.dev.log[2].blocks, 128u);
  EXPECT_EQ(rig.dev.log[3].op, KIV_SCSI_WRITE10);
  EXPECT_EQ(rig.dev.log[3].lba, 300u);
  EXPECT_EQ(rig.dev.log[3].blocks, 2u);
}

TEST(ScsiCommand, LengthFollowsTheOperationGroup) {
  struct Case { uint8_t op; int length; };
  const Case cases[] = {{0x00, 6}, {0x12, 6}, {0x1F, 6}, {0x25, 10}, {0x28, 10}, {0x5F, 10}, {0x60, 0},
                        {0x7F, 0}, {0x88, 16}, {0x9F, 16}, {0xA0, 12}, {0xBF, 12}, {0xC0, 0}, {0xFF, 0}};
  for (const auto& c : cases) EXPECT_EQ(kiv_scsi_get_command_length(&c.op), c.length) << int(c.op);
}

}  // namespace
