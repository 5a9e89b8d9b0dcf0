// VFS calls made from a test's kernel thread, each giving its result at once.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fs/vfs.h"

namespace kvtest {

inline kiv_file_t* open_path(const char* path, int* err = nullptr, kiv_file_t* dir = nullptr) {
  kiv_file_t* f = nullptr;
  int r = kiv_fs_wait(kiv_file_open(dir, path, &f));
  if (err) *err = r;
  return f;
}

inline void close_file(kiv_file_t* f) { ASSERT_EQ(kiv_fs_wait(kiv_file_close(f)), KIV_ERR_NONE); }

inline int write_text(kiv_file_t* f, const std::string& text) {
  return kiv_fs_wait(kiv_file_write(f, text.data(), static_cast<uint32_t>(text.size())));
}

// The rest of the file from its position, in odd-sized reads (several per file).
inline std::string read_all(kiv_file_t* f) {
  std::string out;
  char buf[7];
  int n;
  while ((n = kiv_fs_wait(kiv_file_read(f, buf, sizeof buf))) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

}  // namespace kvtest
