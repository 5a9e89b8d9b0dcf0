// Test fixtures for the storage tests: a temporary directory removed afterwards, shell commands
// (mkfs.fat, mtools, fsck.fat: an independent FAT implementation), disk images loaded into RAM
// block devices, and thread-side helpers that run VFS operations and give their results.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "fs/block/test_ram_mal.h"
#include "fs/fat/fatfs.h"
#include "fs/vfs.h"
#include "tests/kernel/harness.h"

namespace fattest {

namespace stdfs = std::filesystem;

struct TempDir {
  stdfs::path path;
  TempDir() {
    std::random_device rd;
    path = stdfs::temp_directory_path() / ("korvalen-fat-" + std::to_string(rd()) + std::to_string(rd()));
    stdfs::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    stdfs::remove_all(path, ec);
  }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command with mtools' UTF-8 settings; returns its exit status and its output.
inline int sh(const TempDir& dir, const std::string& cmd, std::string* out = nullptr) {
  std::string log = dir / "sh.out";
  std::string full = "export LC_ALL=C.UTF-8 MTOOLS_SKIP_CHECK=1; ( " + cmd + " ) >" + quote(log) + " 2>&1";
  int status = std::system(full.c_str());
  if (out) {
    std::ifstream in(log, std::ios::binary);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void write_file(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
inline std::vector<uint8_t> pattern(std::size_t size, uint32_t seed) {
  std::vector<uint8_t> v(size);
  std::mt19937 gen(seed);
  for (auto& b : v) b = static_cast<uint8_t>(gen());
  return v;
}

// A disk image held in RAM behind a RAM block device.
struct RamDisk {
  std::vector<uint8_t> bytes;
  kiv_test_ram_mal_t dev{};
  explicit RamDisk(std::vector<uint8_t> image) : bytes(std::move(image)) {
    kiv_test_ram_mal_setup(&dev, bytes.data(), bytes.size(), 512);
  }
  kiv_mal_t* mal() { return &dev.mal; }
};

// ---- thread-side VFS helpers -------------------------------------------------------------------
inline kiv_file_t* open_path(const std::string& path, int* err = nullptr, kiv_file_t* dir = nullptr) {
  kiv_file_t* f = nullptr;
  int r = kiv_fs_wait(kiv_file_open(dir, path.c_str(), &f));
  if (err) *err = r;
  return f;
}
inline int close_file(kiv_file_t* f) { return kiv_fs_wait(kiv_file_close(f)); }
inline int write_bytes(kiv_file_t* f, const std::vector<uint8_t>& data) {
  return kiv_fs_wait(kiv_file_write(f, data.data(), static_cast<uint32_t>(data.size())));
}
// Reads to the end in pieces of `piece` bytes; a failing read is recorded as a test failure.
inline std::vector<uint8_t> read_all(kiv_file_t* f, uint32_t piece = 1000) {
  std::vector<uint8_t> out, buf(piece);
  for (;;) {
    int n = kiv_fs_wait(kiv_file_read(f, buf.data(), piece));
    if (n < 0) ADD_FAILURE() << "read failed: " << n;
    if (n <= 0) break;
    out.insert(out.end(), buf.begin(), buf.begin() + n);
  }
  return out;
}
// Reads a whole file by path; empty when it cannot be opened.
inline std::vector<uint8_t> read_path(const std::string& path, int* err = nullptr) {
  kiv_file_t* f = open_path(path, err);
  if (!f) return {};
  auto data = read_all(f);
  close_file(f);
  return data;
}
// Names of a directory's entries, by repeated null-path opens.
inline std::vector<std::string> list_dir(const std::string& path) {
  std::vector<std::string> names;
  kiv_file_t* dir = open_path(path);
  if (!dir) return names;
  for (int i = 0; i < 100; ++i) {
    kiv_file_t* f = nullptr;
    if (kiv_fs_wait(kiv_file_open(dir, nullptr, &f)) != KIV_ERR_NONE || !f) break;
    names.push_back(f->name);
    close_file(f);
  }
  close_file(dir);
  return names;
}

// A FAT volume of a RAM disk mounted directly (no partition table) on a fresh directory of the
// in-memory root; unmounted and removed again at the end of the test body.
struct DirectMount {
  kiv_fatfs_info_t vol{};
  kiv_fatfs_cache_entry_t entry{};
  alignas(8) uint8_t buffer[4096]{};
  std::string dir;

  int mount(kiv_mal_t* mal, const std::string& name, uint32_t block_size = 512) {
    kiv_fs_init();
    dir = name;
    remove();  // left over by a test that stopped early
    int r = kiv_fs_wait(kiv_file_create(nullptr, name.c_str(), KIV_FILE_ATTR_DIRECTORY | KIV_FILE_ATTR_READ));
    if (r != KIV_ERR_NONE) return r;
    kiv_file_t* d = open_path(name);
    kiv_fatfs_setup(&vol, mal, block_size, &entry, buffer, 1, nullptr);
    r = kiv_fs_wait(kiv_fs_mount(d, &kiv_fatfs_op, &vol.node.file));
    close_file(d);
    return r;
  }
  // Grafted directories keep their in-memory object: unlinking it from the root removes both.
  void remove() const { kiv_fs_wait(kiv_file_unlink(nullptr, dir.c_str())); }
};

}  // namespace fattest
