// The update command and its progress report.
#include "app/update_command.h"

#include "linux/stdio.h"

namespace {
app_update_progress_t progress_listener = nullptr;
constexpr int chunk = 16384;

int64_t size_of(posix::FILE* f) {
  posix::fseek(f, 0, 2);
  int64_t size = posix::ftell(f);
  posix::fseek(f, 0, 0);
  return size;
}

// Copies `size` bytes from src to dst; false after printing why.
bool copy(posix::FILE* src, posix::FILE* dst, int64_t size, const char* src_name, const char* dst_name) {
  auto* buffer = static_cast<char*>(posix::malloc(chunk));
  if (!buffer) return false;
  bool ok = true;
  for (int64_t remaining = size; remaining > 0 && ok;) {
    auto n = static_cast<std::size_t>(remaining < chunk ? remaining : chunk);
    if (posix::fread(buffer, 1, n, src) != n) {
      posix::printf("fail to read %s\r\n", src_name);
      ok = false;
    } else if (posix::fwrite(buffer, 1, n, dst) != n) {
      posix::printf("fail to write %s\r\n", dst_name);
      ok = false;
    } else {
      remaining -= static_cast<int64_t>(n);
      app_update_report(static_cast<unsigned>(size), static_cast<unsigned>(size - remaining));
      posix::printf(".");
    }
  }
  posix::free(buffer);
  return ok;
}
}  // namespace

void app_update_set_progress(app_update_progress_t listener) { progress_listener = listener; }

void app_update_report(unsigned total, unsigned current) {
  kiv_trace(KIV_TRACE_DEBUG, "update, total: %d, current: %d\r\n", static_cast<int>(total), static_cast<int>(current));
  if (progress_listener) progress_listener(total, current);
}

int update_main(int argc, char** argv) {
  if (argc != 3) {
    posix::printf("format: %s SRC DST\r\n", argv[0]);
    return -1;
  }
  posix::FILE* src = posix::fopen(argv[1], "rb");
  if (!src) {
    posix::printf("fail to open %s\r\n", argv[1]);
    posix::printf("fail to update %s to %s\r\n", argv[1], argv[2]);
    return -1;
  }
  posix::FILE* dst = posix::fopen(argv[2], "rb+");
  if (!dst) {
    posix::printf("fail to open %s\r\n", argv[2]);
    posix::fclose(src);
    posix::printf("fail to update %s to %s\r\n", argv[1], argv[2]);
    return -1;
  }
  int64_t src_size = size_of(src), dst_size = size_of(dst);
  bool ok = dst_size >= src_size;
  if (!ok) {
    posix::printf("invalid update operation, src size: %d, dst size: %d\r\n", static_cast<int>(src_size),
                  static_cast<int>(dst_size));
  } else {
    app_update_report(static_cast<unsigned>(src_size), 0);
    ok = copy(src, dst, src_size, argv[1], argv[2]);
    if (ok) posix::printf("\r\nupdate done\r\n");
  }
  posix::fclose(dst);
  posix::fclose(src);
  if (!ok) posix::printf("fail to update %s to %s\r\n", argv[1], argv[2]);
  return ok ? 0 : -1;
}
