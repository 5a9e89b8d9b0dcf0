// Disk mount: MBR disks made like the dongle's (partitions formatted in place by mkfs.fat),
// every FAT partition reached under its label or its index name, also over the SCSI disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "fs/block/scsi_mal.h"
#include "fs/block/test_scsi_dev.h"
#include "fs/disk_mount.h"
#include "fs/fat/fat_format.h"
#include "tests/fs/fat_fixture.h"

namespace {

using namespace fattest;

struct Part {
  int slot;  // partition table entry 0..3
  uint8_t type;
  uint32_t start;  // first sector
  uint32_t size_kib;
  int fat;  // 0: leave unformatted
  const char* label;
};

// Builds the disk: each partition formatted in place with one file, then the MBR written.
std::string make_disk(const TempDir& tmp, const std::vector<Part>& parts) {
  std::string img = tmp / "disk.img", out;
  uint64_t end = 0;
  for (const auto& p : parts) end = std::max<uint64_t>(end, p.start * 512ull + p.size_kib * 1024ull);
  EXPECT_EQ(sh(tmp, "truncate -s " + std::to_string(end) + " " + quote(img), &out), 0) << out;
  write_file(tmp / "version.txt", {'v', '1', '\n'});
  for (const auto& p : parts) {
    if (!p.fat) continue;
    std::string at = std::to_string(p.start);
    std::string label = p.label ? std::string(" -n ") + p.label : "";
    std::string cmd = "mkfs.fat -F " + std::to_string(p.fat) + " -s " + (p.fat == 32 ? "1" : "4") + label + " -h " + at +
                      " --offset " + at + " " + quote(img) + " " + std::to_string(p.size_kib) + " && mcopy -i " +
                      quote(img + "@@" + std::to_string(p.start * 512ull)) + " " + quote(tmp / "version.txt") + " ::/";
    EXPECT_EQ(sh(tmp, cmd, &out), 0) << out;
  }
  auto bytes = read_file(img);
  for (const auto& p : parts) {
    auto& e = reinterpret_cast<fat::PartitionEntry*>(bytes.data() + fat::kPartitionTable)[p.slot];
    e.type = p.type;
    kiv_put_le32(e.first_lba, p.start);
    kiv_put_le32(e.sector_count, p.size_kib * 2);
  }
  bytes[510] = 0x55;
  bytes[511] = 0xAA;
  write_file(img, bytes);
  return img;
}

// Unmounts and removes everything the disk mount made under `dir`, then `dir` itself.
void remove_mounts(const std::string& dir) {
  for (const auto& name : list_dir(dir)) {
    kiv_file_t* d = open_path(dir + "/" + name);
    if (d) {
      kiv_fs_wait(kiv_fs_call(d->fsop->unmount, d, nullptr, 0));
      close_file(d);
    }
    kiv_file_t* parent = open_path(dir);
    kiv_fs_wait(kiv_file_unlink(parent, name.c_str()));
    close_file(parent);
  }
  kiv_fs_wait(kiv_file_unlink(nullptr, dir.c_str()));
}

int mount_disk(kiv_mal_t* disk, const std::string& dir) {
  kiv_fs_init();
  remove_mounts(dir);
  kiv_fs_wait(kiv_file_create(nullptr, dir.c_str(), KIV_FILE_ATTR_DIRECTORY | KIV_FILE_ATTR_READ));
  kiv_file_t* d = open_path(dir);
  int r = kiv_fs_wait(kiv_disk_mount(d, disk));
  close_file(d);
  return r;
}

struct DiskCase {
  const char* name;
  std::vector<Part> parts;
  std::vector<std::string> dirs;  // in partition-table order
};

class DiskMount : public ::testing::TestWithParam<DiskCase> {};

TEST_P(DiskMount, EveryFatPartitionBecomesADirectory) {
  TempDir tmp;
  RamDisk disk(read_file(make_disk(tmp, GetParam().parts)));
  kvtest::run_on_kernel([&] {
    ASSERT_EQ(mount_disk(disk.mal(), "disks"), KIV_ERR_NONE);
    EXPECT_EQ(list_dir("/disks"), GetParam().dirs);
    const std::vector<uint8_t> version = {'v', '1', '\n'};
    for (const auto& d : GetParam().dirs) EXPECT_EQ(read_path("/disks/" + d + "/version.txt"), version) << d;
    remove_mounts("/disks");
  });
}

const DiskCase kDisks[] = {
    {"dongle_fat16", {{0, 0x0E, 2048, 16384, 16, "KORVALEN"}}, {"KORVALEN"}},
    {"fat32_labelled", {{0, 0x0C, 2048, 34816, 32, "DONGLE"}}, {"DONGLE"}},
    {"no_label", {{0, 0x0E, 2048, 16384, 16, nullptr}}, {"root0"}},
    {"two_partitions", {{0, 0x0E, 2048, 16384, 16, "KORVALEN"}, {1, 0x01, 40960, 1024, 12, nullptr}}, {"KORVALEN", "root1"}},
    {"same_label_twice", {{0, 0x06, 2048, 16384, 16, "SAME"}, {1, 0x04, 40960, 1024, 12, "SAME"}}, {"SAME", "root1"}},
    {"non_fat_entry_skipped", {{0, 0x83, 2048, 1024, 0, nullptr}, {2, 0x0B, 8192, 1024, 12, nullptr}}, {"root2"}},
};
INSTANTIATE_TEST_SUITE_P(Disks, DiskMount, ::testing::ValuesIn(kDisks),
                         [](const ::testing::TestParamInfo<DiskCase>& i) { return std::string(i.param.name); });

TEST(DiskMountFailures, SectorZeroWithoutSignatureIsRefused) {
  RamDisk disk(std::vector<uint8_t>(64 * 1024));
  kvtest::run_on_kernel([&] {
    EXPECT_EQ(mount_disk(disk.mal(), "blank"), KIV_ERR_INVALID_STATE);
    EXPECT_TRUE(list_dir("/blank").empty());
    disk.dev.fail_reads = true;
    EXPECT_EQ(mount_disk(disk.mal(), "blank"), KIV_ERR_INVALID_STATE);
    remove_mounts("/blank");
  });
}

// The dongle's whole path below the USB driver: SCSI disk, disk mount, FAT; what is written
// through it is checked by fsck.fat and mtools on the partition.
TEST(DiskMountOverScsi, ReadsAndWritesTheDonglesFiles) {
  TempDir tmp;
  std::string img = make_disk(tmp, {{0, 0x0E, 2048, 16384, 16, "KORVALEN"}});
  std::vector<uint8_t> image = read_file(img);
  kiv_test_scsi_dev_t dev;
  kiv_test_scsi_setup(&dev, image.data(), 512, static_cast<uint32_t>(image.size() / 512));
  dev.unit_attentions = 1;
  kiv_scsi_mal_t disk;
  kiv_scsi_mal_setup(&disk, &dev.scsi);
  const std::vector<uint8_t> text = {'1', '.', '4', '.', '0', '\n', ' ', ' '};
  kvtest::run_on_kernel([&] {
    ASSERT_EQ(kiv_fs_wait(kiv_mal_init(&disk.mal)), KIV_ERR_NONE);
    ASSERT_EQ(mount_disk(&disk.mal, "scsi_t"), KIV_ERR_NONE);
    kiv_file_t* f = open_path("/scsi_t/KORVALEN/version.txt");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(write_bytes(f, text), static_cast<int>(text.size()));
    close_file(f);
    EXPECT_EQ(read_path("/scsi_t/KORVALEN/version.txt"), text);
    remove_mounts("/scsi_t");
  });
  write_file(img, image);
  std::string out;
  std::string part = tmp / "part.img";
  EXPECT_EQ(sh(tmp, "dd if=" + quote(img) + " of=" + quote(part) + " bs=1M skip=1 && fsck.fat -n " + quote(part), &out), 0)
      << out;
  ASSERT_EQ(sh(tmp, "mtype -i " + quote(img + "@@1M") + " ::/version.txt", &out), 0) << out;
  EXPECT_EQ(out, std::string(text.begin(), text.end()));
}

}  // namespace
