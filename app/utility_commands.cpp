// mount, write and reset.
#include "app/utility_commands.h"

#include <cstdlib>
#include <cstring>

#include "fs/block/file_mal.h"
#include "fs/hostfs.h"
#include "kernel/host/arch.h"
#include "linux/libc/getopt.h"
#include "linux/stdio.h"

namespace {

// A block device over a file of the VFS: an image file, or a device file.
struct file_block_device {
  kiv_fmal_t dev;
};

void* block_prepare(const char* device, unsigned block_size) {
  auto* b = static_cast<file_block_device*>(kiv_heap_calloc(1, sizeof(file_block_device)));
  if (!b) {
    posix::printf("not enough resources\r\n");
    return nullptr;
  }
  char path[KIV_LINUX_PATH_MAX];
  kiv_file_t* file = nullptr;
  if (kiv_linux_generate_path(path, sizeof path, nullptr, device) != 0 ||
      kiv_fs_wait(kiv_file_open(nullptr, path, &file)) != KIV_ERR_NONE) {
    posix::printf("fail to open src_file %s\r\n", device);
    kiv_heap_free(b);
    return nullptr;
  }
  kiv_fmal_setup(&b->dev, file, block_size);
  kiv_fs_wait(kiv_mal_init(&b->dev.mal));
  return &b->dev.mal;
}

void block_release(void* data) {
  auto* b = reinterpret_cast<file_block_device*>(static_cast<kiv_mal_t*>(data));
  kiv_fs_wait(kiv_file_close(b->dev.file));
  kiv_heap_free(b);
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
