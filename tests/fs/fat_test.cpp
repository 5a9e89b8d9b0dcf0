// The FAT filesystem against volumes made by mkfs.fat and filled by mtools, driven through the
// VFS from a kernel thread; what it writes is checked back with mtools and fsck.fat.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "fs/fat/fat_format.h"
#include "fs/fat/fat_volume.h"
#include "tests/fs/fat_fixture.h"

namespace {

using namespace fattest;

struct Volume {
  const char* name;
  int fat;
  int size_kib;
  int cluster_sectors;
};

// Every FAT type, with one sector per cluster (a valid geometry the driver must accept) and more.
// FAT32 needs 65525 clusters before other implementations call it FAT32: 34 MiB at one sector
// per cluster (the image is sparse on disk).
constexpr Volume kVolumes[] = {
    {"fat12_s1", 12, 1024, 1}, {"fat12_s4", 12, 2048, 4}, {"fat16_s1", 16, 4096, 1},
    {"fat16_s4", 16, 16384, 4}, {"fat32_s1", 32, 34816, 1},
};

// What mcopy puts on each volume: path on the volume -> contents.
std::map<std::string, std::vector<uint8_t>> source_files() {
  auto text = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
  return {
      {"PSN Config.txt", text("psn-id=abc\r\ncode=12345678\r\n")},
      {"version.txt", text("1.2.3\n")},
      {"UPPER.TXT", text("upper")},
      {"Données é.txt", text("bonjour")},
      {"固件.bin", pattern(3000, 1)},
      {"a very long file name that needs several parts.dat", pattern(20000, 2)},
      {"update.bin", pattern(8192, 3)},
      {"empty.txt", {}},
      {"sub/deeper/inner file.bin", pattern(5000, 4)},
  };
}

// Makes the image file with mkfs.fat and copies the source files onto it with mcopy.
std::string make_image(const TempDir& tmp, const Volume& v) {
  std::string img = tmp / (std::string(v.name) + ".img"), src = tmp / "src";
  for (const auto& [path, data] : source_files()) {
    stdfs::create_directories(stdfs::path(src + "/" + path).parent_path());
    write_file(src + "/" + path, data);
  }
  std::string out;
  int r = sh(tmp, "truncate -s " + std::to_string(v.size_kib) + "K " + quote(img) + " && mkfs.fat -F " +
                      std::to_string(v.fat) + " -s " + std::to_string(v.cluster_sectors) + " -n KORVALEN " + quote(img) +
                      " && cd " + quote(src) + " && mcopy -s -i " + quote(img) + " * ::/", &out);
  EXPECT_EQ(r, 0) << out;
  return img;
}

class FatVolume : public ::testing::TestWithParam<Volume> {
 protected:
  TempDir tmp;
  std::string img;
  std::unique_ptr<RamDisk> disk;
  DirectMount m;

  void SetUp() override {
    img = make_image(tmp, GetParam());
    disk = std::make_unique<RamDisk>(read_file(img));
  }
  // Mounts on /<volume name>, runs the body, removes the mount point.
  void on_volume(const std::function<void(const std::string& root)>& body) {
    kvtest::run_on_kernel([&] {
      ASSERT_EQ(m.mount(disk->mal(), GetParam().name), KIV_ERR_NONE);
      body(std::string("/") + GetParam().name + "/");
      m.remove();
    });
  }
  std::vector<uint8_t> fat_copy(int i) const {
    auto begin = disk->bytes.begin() + (static_cast<std::size_t>(m.vol.fat_sector) + i * m.vol.fat_size) * 512;
    return std::vector<uint8_t>(begin, begin + m.vol.fat_size * 512);
  }
  void check_with_fsck_and_mtools(const std::map<std::string, std::vector<uint8_t>>& expect) {
    write_file(img, disk->bytes);
    std::string out;
    EXPECT_EQ(sh(tmp, "fsck.fat -n " + quote(img), &out), 0) << out;
    for (const auto& [path, data] : expect) {
      std::string got = tmp / "got";
      ASSERT_EQ(sh(tmp, "mcopy -n -i " + quote(img) + " " + quote("::/" + path) + " " + quote(got), &out), 0) << path << out;
      EXPECT_EQ(read_file(got), data) << path;
    }
    for (uint32_t i = 1; i < m.vol.fat_num; ++i) EXPECT_EQ(fat_copy(0), fat_copy(static_cast<int>(i))) << "FAT copy " << i;
  }
};

TEST_P(FatVolume, ReadsEveryFileMtoolsWrote) {
  on_volume([&](const std::string& root) {
    EXPECT_EQ(m.vol.type, GetParam().fat == 12 ? KIV_FATFS_FAT12 : GetParam().fat == 16 ? KIV_FATFS_FAT16 : KIV_FATFS_FAT32);
    ASSERT_NE(m.vol.label_ptr, nullptr);
    EXPECT_STREQ(m.vol.label_ptr, "KORVALEN");
    for (const auto& [path, data] : source_files()) {
      int err = 0;
      EXPECT_EQ(read_path(root + path, &err), data) << path;
      EXPECT_EQ(err, KIV_ERR_NONE) << path;
    }
  });
}

TEST_P(FatVolume, NamesMatchExactlyAsPresented) {
  on_volume([&](const std::string& root) {
    struct Case { const char* path; int expect; };
    // version.txt is a short entry with the lower-case flags; UPPER.TXT one without them.
    const Case cases[] = {{"version.txt", 0}, {"VERSION.TXT", KIV_ERR_INVALID_PARAMETER}, {"UPPER.TXT", 0},
                          {"upper.txt", KIV_ERR_INVALID_PARAMETER}, {"PSN Config", KIV_ERR_INVALID_PARAMETER},
                          {"sub/deeper", 0}, {"sub\\deeper\\inner file.bin", 0},
                          {"version.txt/x", KIV_ERR_INVALID_ACCESS}, {"固件.bin", 0}, {"Données é.txt", 0}};
    for (const auto& c : cases) {
      int err = 1;
      kiv_file_t* f = open_path(root + c.path, &err);
      EXPECT_EQ(err, c.expect) << c.path;
      if (f) close_file(f);
    }
  });
}

TEST_P(FatVolume, EnumerationListsEachEntryOnceAndStartsOver) {
  on_volume([&](const std::string& root) {
    std::vector<std::string> want = {"PSN Config.txt", "version.txt", "UPPER.TXT", "Données é.txt", "固件.bin",
                                     "a very long file name that needs several parts.dat", "update.bin", "empty.txt", "sub"};
    auto first = list_dir(root);
    auto second = list_dir(root);
    std::sort(want.begin(), want.end());
    auto sorted = first;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, want);
    EXPECT_EQ(first, second);
    EXPECT_EQ(list_dir(root + "sub"), std::vector<std::string>{"deeper"});
  });
}

TEST_P(FatVolume, SeeksAlongTheChain) {
  on_volume([&](const std::string& root) {
    const auto data = source_files()["a very long file name that needs several parts.dat"];
    kiv_file_t* f = open_path(root + "a very long file name that needs several parts.dat");
    ASSERT_NE(f, nullptr);
    for (uint64_t at : {4097ull, 512ull, 2048ull, 19999ull, 0ull, 8192ull}) {
      ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, static_cast<int64_t>(at), 0)), KIV_ERR_NONE) << at;
      uint8_t buf[600];
      int n = kiv_fs_wait(kiv_file_read(f, buf, sizeof buf));
      uint64_t want = std::min<uint64_t>(sizeof buf, data.size() - at);
      ASSERT_EQ(n, static_cast<int>(want)) << at;
      EXPECT_EQ(0, std::memcmp(buf, data.data() + at, want)) << at;
    }
    EXPECT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 2)), KIV_ERR_NONE);
    EXPECT_EQ(kiv_file_tell(f), data.size());
    EXPECT_EQ(kiv_fs_wait(kiv_file_seek(f, 1, 2)), KIV_ERR_INVALID_ACCESS);
    close_file(f);
  });
}

TEST_P(FatVolume, WritesGrowsAndTruncatesAsMtoolsAndFsckSee) {
  auto expect = source_files();
  on_volume([&](const std::string& root) {
    // Overwriting inside a file allocates nothing: the FAT stays byte for byte the same.
    auto fat_before = fat_copy(0);
    kiv_file_t* f = open_path(root + "update.bin");
    ASSERT_NE(f, nullptr);
    auto head = pattern(700, 9);
    ASSERT_EQ(write_bytes(f, head), 700);
    std::copy(head.begin(), head.end(), expect["update.bin"].begin());
    EXPECT_EQ(fat_copy(0), fat_before);
    // Grown through the size: the new bytes are whatever the clusters held; only the size counts.
    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(f, 12000)), KIV_ERR_NONE);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 8192, 0)), KIV_ERR_NONE);
    auto tail = pattern(12000 - 8192, 10);
    ASSERT_EQ(write_bytes(f, tail), static_cast<int>(tail.size()));
    expect["update.bin"].insert(expect["update.bin"].end(), tail.begin(), tail.end());
    close_file(f);

    // Appending past the end grows the chain cluster by cluster (over 341 clusters on FAT12, so
    // entries that straddle two FAT sectors are written too).
    f = open_path(root + "PSN Config.txt");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 2)), KIV_ERR_NONE);
    auto more = pattern(GetParam().fat == 12 && GetParam().cluster_sectors == 1 ? 300000 : 90000, 11);
    ASSERT_EQ(write_bytes(f, more), static_cast<int>(more.size()));
    expect["PSN Config.txt"].insert(expect["PSN Config.txt"].end(), more.begin(), more.end());
    close_file(f);

    f = open_path(root + "a very long file name that needs several parts.dat");
    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(f, 100)), KIV_ERR_NONE);
    expect["a very long file name that needs several parts.dat"].resize(100);
    close_file(f);
    f = open_path(root + "固件.bin");
    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(f, 0)), KIV_ERR_NONE);
    EXPECT_EQ(reinterpret_cast<kiv_fatfs_node_t*>(f)->first_cluster, 0u);
    expect["固件.bin"].clear();
    close_file(f);

    f = open_path(root + "sub/deeper/inner file.bin");
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 4000, 0)), KIV_ERR_NONE);
    auto over = pattern(3000, 12);
    ASSERT_EQ(write_bytes(f, over), 3000);
    expect["sub/deeper/inner file.bin"].resize(4000);
    expect["sub/deeper/inner file.bin"].insert(expect["sub/deeper/inner file.bin"].end(), over.begin(), over.end());
    close_file(f);

    // What the VFS reads back now is what was written.
    for (const auto& [path, data] : expect) EXPECT_EQ(read_path(root + path), data) << path;
  });
  check_with_fsck_and_mtools(expect);
}

TEST_P(FatVolume, TenBytesIntoAnEmptyFileTakeOneCluster) {
  auto expect = source_files();
  uint32_t first = 0;
  on_volume([&](const std::string& root) {
    kiv_file_t* f = open_path(root + "empty.txt");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(reinterpret_cast<kiv_fatfs_node_t*>(f)->first_cluster, 0u);
    ASSERT_EQ(write_bytes(f, pattern(10, 5)), 10);
    EXPECT_EQ(f->size, 10u);
    first = reinterpret_cast<kiv_fatfs_node_t*>(f)->first_cluster;
    close_file(f);
    expect["empty.txt"] = pattern(10, 5);
  });
  ASSERT_GE(first, 2u);
  check_with_fsck_and_mtools(expect);
  std::string out;
  ASSERT_EQ(sh(tmp, "mdir -i " + quote(img) + " ::/empty.txt", &out), 0);
  EXPECT_NE(out.find(" 10 "), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Volumes, FatVolume, ::testing::ValuesIn(kVolumes),
                         [](const ::testing::TestParamInfo<Volume>& i) { return std::string(i.param.name); });

// ---- boot sectors the driver refuses or accepts ------------------------------------------------

std::vector<uint8_t> boot_sector(uint16_t bps, uint8_t spc) {
  std::vector<uint8_t> s(512, 0);
  kiv_put_le16(&s[11], bps);
  s[13] = spc;
  kiv_put_le16(&s[14], 1);     // reserved
  s[16] = 2;                   // FATs
  kiv_put_le16(&s[17], 512);   // root entries
  kiv_put_le16(&s[19], 20000); // sectors
  kiv_put_le16(&s[22], 20);    // sectors per FAT
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

TEST(FatBootSector, GeometryChecks) {
  struct Case { uint16_t bps; uint8_t spc; uint32_t block; int expect; uint8_t cluster_bits; uint8_t type; };
  // 20000 sectors less 73 of system area: 19927 clusters of one sector, 155 of 128 sectors.
  const Case cases[] = {
      {512, 1, 512, KIV_ERR_NONE, 0, KIV_FATFS_FAT16},  // one sector per cluster is valid
      {512, 2, 512, KIV_ERR_NONE, 1, KIV_FATFS_FAT16},   {512, 128, 512, KIV_ERR_NONE, 7, KIV_FATFS_FAT12},
      {512, 0, 512, KIV_ERR_INVALID_STATE, 0, 0},  {512, 3, 512, KIV_ERR_INVALID_STATE, 0, 0},
      {8192, 2, 8192, KIV_ERR_INVALID_STATE, 0, 0}, {1024, 2, 512, KIV_ERR_INVALID_STATE, 0, 0},
      {256, 2, 256, KIV_ERR_INVALID_STATE, 0, 0},
  };
  for (const auto& c : cases) {
    kiv_fatfs_info_t v{};
    auto s = boot_sector(c.bps, c.spc);
    EXPECT_EQ(fat::parse_boot_sector(s.data(), c.block, &v), c.expect) << c.bps << "/" << int(c.spc);
    if (c.expect == KIV_ERR_NONE) {
      EXPECT_EQ(v.cluster_bits, c.cluster_bits);
      EXPECT_EQ(v.type, c.type);
      EXPECT_EQ(v.data_sector, 1u + 40u + 32u);
    }
  }
  kiv_fatfs_info_t v{};
  auto s = boot_sector(512, 2);
  s[511] = 0;
  EXPECT_EQ(fat::parse_boot_sector(s.data(), 512, &v), KIV_ERR_INVALID_STATE);
}

// ---- a device that fails ---------------------------------------------------------------------

TEST(FatFailures, FailingDeviceGivesAnErrorNotACrash) {
  TempDir tmp;
  std::string img = make_image(tmp, kVolumes[2]);
  RamDisk disk(read_file(img));
  DirectMount m;
  kvtest::run_on_kernel([&] {
    ASSERT_EQ(m.mount(disk.mal(), "failing"), KIV_ERR_NONE);
    kiv_file_t* f = open_path("/failing/update.bin");
    ASSERT_NE(f, nullptr);
    const auto before = disk.bytes;
    disk.dev.writes_before_failure = disk.dev.writes + 3;  // dies in the middle of the growth
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 2)), KIV_ERR_NONE);
    EXPECT_EQ(write_bytes(f, pattern(30000, 6)), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(f->size, 8192u);  // the entry's size stays
    EXPECT_EQ(kiv_file_tell(f), 8192u);
    // The file still reads back as it was.
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 0)), KIV_ERR_NONE);
    EXPECT_EQ(read_all(f), source_files()["update.bin"]);
    disk.dev.fail_reads = true;
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 0)), KIV_ERR_NONE);
    uint8_t buf[100];
    EXPECT_EQ(kiv_fs_wait(kiv_file_read(f, buf, sizeof buf)), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(kiv_file_tell(f), 0u);
    int err = 0;
    EXPECT_EQ(open_path("/failing/version.txt", &err), nullptr);
    EXPECT_EQ(err, KIV_ERR_INVALID_PARAMETER);  // the walk found nothing
    disk.dev.fail_reads = false;
    EXPECT_EQ(close_file(f), KIV_ERR_NONE);
    EXPECT_GT(disk.dev.rejected, 0u);
    m.remove();
  });
}

TEST(FatFailures, CorruptedChainIsReported) {
  TempDir tmp;
  std::string img = make_image(tmp, kVolumes[2]);
  RamDisk disk(read_file(img));
  DirectMount m;
  kvtest::run_on_kernel([&] {
    ASSERT_EQ(m.mount(disk.mal(), "corrupt"), KIV_ERR_NONE);
    kiv_file_t* f = open_path("/corrupt/update.bin");
    ASSERT_NE(f, nullptr);
    // Free the file's second cluster behind the driver's back: the chain now stops inside the file.
    uint32_t first = reinterpret_cast<kiv_fatfs_node_t*>(f)->first_cluster;
    uint8_t* fat = disk.bytes.data() + m.vol.fat_sector * 512;
    kiv_put_le16(fat + first * 2, 0);
    kvtest::TraceCapture trace;
    EXPECT_EQ(write_bytes(f, pattern(4000, 7)), KIV_ERR_INVALID_STATE);
    EXPECT_NE(trace.text().find("fatfs: corrupted file update.bin\r\n"), std::string::npos) << trace.text();
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 0, 0)), KIV_ERR_NONE);
    uint8_t buf[4096];
    EXPECT_EQ(kiv_fs_wait(kiv_file_read(f, buf, sizeof buf)), KIV_ERR_INVALID_STATE);
    close_file(f);
    m.remove();
  });
}

}  // namespace
