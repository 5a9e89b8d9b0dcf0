// mount, write and reset.
#include "app/utility_commands.h"

#include <cstdlib>
#include <cstring>

#include "fs/hostfs.h"
#include "kernel/host/arch.h"
#include "linux/libc/getopt.h"
#include "linux/stdio.h"

namespace {

app_block_mount_t block_mount{};

void* block_prepare(const char* device, unsigned block_size) {
  if (!block_mount.prepare) {
    posix::printf("block devices are not available in this build\r\n");
    return nullptr;
  }
  return block_mount.prepare(device, block_size);
}
void block_release(void* data) {
  if (block_mount.release) block_mount.release(data);
}
void* winfs_prepare(const char* device, unsigned) { return kiv_winfs_root_alloc(device); }
void winfs_release(void* data) { kiv_file_free(static_cast<kiv_file_t*>(data)); }

struct fs_type {
  const char* name;
  const kiv_fs_op_t* fsop;  // null: the disk mount reads the partition table
  void* (*prepare)(const char* device, unsigned block_size);
  void (*release)(void* data);
  bool needs_block_size;
};
constexpr fs_type fs_types[] = {
    {"auto", nullptr, block_prepare, block_release, true},
    {"fatfs", nullptr, block_prepare, block_release, true},
    {"winfs", &kiv_winfs_fsop, winfs_prepare, winfs_release, false},
};

int usage(const char* program) {
  posix::printf("format: %s [-t vfstype] [-b block_size] device dir\r\nsupported vfstype(mandatory options): ", program);
  for (const fs_type& t : fs_types) posix::printf(t.needs_block_size ? "%s(b) " : "%s ", t.name);
  posix::printf("\r\n");
  return -1;
}

}  // namespace

void app_set_block_mount(const app_block_mount_t* ops) { block_mount = ops ? *ops : app_block_mount_t{}; }

int mount_main(int argc, char** argv) {
  const fs_type* type = &fs_types[0];
  unsigned block_size = 0;
  posix::optind() = 0;  // a fresh scan: the state is per process and may have been used
  for (int opt; (opt = posix::getopt(argc, argv, "t:b:")) != -1;) {
    if (opt == 'b') {
      block_size = static_cast<unsigned>(std::strtoul(posix::optarg(), nullptr, 0));
    } else if (opt == 't') {
      const fs_type* found = nullptr;
      for (const fs_type& t : fs_types)
        if (std::strcmp(t.name, posix::optarg()) == 0) found = &t;
      if (!found) return usage(argv[0]);
      type = found;
    } else {
      return usage(argv[0]);
    }
  }
  if (argc < 3 || argc - posix::optind() != 2) return usage(argv[0]);
  const char* device = argv[posix::optind()];
  const char* dir = argv[posix::optind() + 1];
  if (type->needs_block_size && block_size == 0) {
    posix::printf("block size must be defined for %s\r\n", type->name);
    return usage(argv[0]);
  }
  void* data = type->prepare(device, block_size);
  if (!data) {
    posix::printf("fail to prepare fsdata\r\n");
    return -1;
  }
  if (posix::mount(device, dir, type->fsop, 0, data) != 0) {
    posix::printf("fail to mount\r\n");
    type->release(data);
    return -1;
  }
  return 0;
}

int write_main(int argc, char** argv) {
  if (argc != 3) {
    posix::printf("format: %s FILENAME STRING\r\n", argv[0]);
    return -1;
  }
  posix::FILE* f = posix::fopen(argv[1], "r+");
  if (!f) return -1;
  std::size_t len = std::strlen(argv[2]);
  std::size_t written = len ? posix::fwrite(argv[2], 1, len, f) : 0;
  posix::fclose(f);
  return written == len ? 0 : -1;
}

int reset_main(int, char**) {
  kiv_arch_reset();
  return 0;
}
