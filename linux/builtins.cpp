// The built-in commands.
#include "linux/builtins.h"

#include <cstdio>
#include <cstring>

#include "linux/libc/env_table.h"
#include "linux/shell.h"
#include "linux/stdio.h"

namespace {
constexpr const char* colour_dir = "\x1b[1;34m";
constexpr const char* colour_exe = "\x1b[1;32m";
constexpr const char* colour_plain = "\x1b[1;37m";

bool list_directory(const char* path) {
  posix::DIR* dir = posix::opendir(path);
  if (!dir) {
    posix::printf("%s not exists\r\n", path);
    return false;
  }
  while (posix::dirent* e = posix::readdir(dir)) {
    const char* colour = e->d_type == KIV_DT_DIR ? colour_dir : e->d_type == KIV_DT_EXE ? colour_exe : colour_plain;
    posix::printf("%s", colour);
    posix::write(1, e->d_name, static_cast<int>(std::strlen(e->d_name)));
    posix::printf("  ");
  }
  posix::printf("%s\r\n", colour_plain);
  posix::closedir(dir);
  return true;
}

}  // namespace

int ls_main(int argc, char** argv) {
  if (argc < 2) return list_directory(".") ? 0 : -1;
  bool any = false;
  for (int i = 1; i < argc; ++i) {
    if (argc > 2) posix::printf("%s:\r\n", argv[i]);
    any = list_directory(argv[i]) || any;
  }
  return any ? 0 : -1;
}

int cd_main(int argc, char** argv) {
  if (argc != 2) {
    posix::printf("format: cd directory_name\r\n");
    return -1;
  }
  if (posix::DIR* dir = posix::opendir(argv[1])) {
    posix::closedir(dir);
    kiv_linux_process_t* self = kiv_linux_get_cur_process();
    if (kiv_linux_chdir(self->shell, argv[1]) == 0) return 0;
  }
  posix::printf("%s not exists\r\n", argv[1]);
  return -2;
}

int pwd_main(int, char**) {
  char buffer[KIV_LINUX_PATH_MAX];
  posix::printf("%s\r\n", posix::getcwd(buffer, sizeof buffer) ? buffer : "");
  return 0;
}

int cat_main(int argc, char** argv) {
  if (argc != 2) {
    posix::printf("format: cat file_name\r\n");
    return -1;
  }
  int fd = posix::open(argv[1], 0);
  if (fd < 0) {
    posix::printf("%s not found\r\n", argv[1]);
    return -2;
  }
  char buffer[256];
  int n;
  while ((n = posix::read(fd, buffer, sizeof buffer)) > 0) posix::write(1, buffer, n);
  posix::printf("\r\n");
  posix::close(fd);
  return 0;
}

int echo_main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) posix::printf("%s%s", argv[i], i + 1 < argc ? " " : "");
  posix::printf("\r\n");
  return 0;
}

int mkdir_main(int argc, char** argv) {
  constexpr const char* usage = "format: mkdir [-p] directory_name\r\n";
  if (argc < 2) {
    posix::printf("%s", usage);
    return -1;
  }
  const char* dir = argv[1];
  int r;
  if (argv[1][0] == '-') {
    if (argv[1][1] != 'p') {
      posix::printf("unknown option: %s\r\n", argv[1]);
      return -1;
    }
    if (argc < 3) {
      posix::printf("%s", usage);
      return -1;
    }
    dir = argv[2];
    r = kiv_linux_mkdir_p(dir);
  } else {
    r = posix::mkdir(dir, 0);
  }
  if (r != 0) {
    posix::printf("fail to create directory %s\r\n", dir);
    return -1;
  }
  return 0;
}

int clear_main(int, char**) {
  posix::printf("\x1b[2J\x1b[H");
  return 0;
}

int time_main(int argc, char** argv) {
  if (argc < 2) {
    posix::printf("format: time CMD ARG ...\r\n");
    return -1;
  }
  int (*entry)(int, char**) = nullptr;
  int fd = argv[1][0] != '/' ? kiv_linux_find_in_path(argv[1], &entry) : -1;
  if (fd < 0) fd = kiv_linux_find_command(argv[1], &entry);
  if (fd < 0) {
    posix::printf("command %s not found\r\n", argv[1]);
    return -1;
  }
  posix::close(fd);
  auto start = static_cast<uint32_t>(kiv_systimer_get_tick() / 10000);
  int r = entry(argc - 1, argv + 1);
  auto end = static_cast<uint32_t>(kiv_systimer_get_tick() / 10000);
  posix::printf("%s take %d ms\r\n", argv[1], static_cast<int>(end - start));
  return r;
}

int export_main(int argc, char** argv) {
  kiv_linux_process_t* self = kiv_linux_get_cur_process();
  if (argc < 2) {
    for (char** e = self->environ; e && *e; ++e) posix::printf("%s\r\n", *e);
    return 0;
  }
  kiv_linux_process_t* shell = self->shell;
  char* text;
  if (std::strchr(argv[1], '=')) {
    text = kiv_linux_strdup_p(shell, argv[1]);
  } else {
    auto len = static_cast<int>(std::strlen(argv[1]));
    text = static_cast<char*>(kiv_linux_malloc_p(shell, len + 2));
    if (text) std::snprintf(text, static_cast<std::size_t>(len) + 2, "%s=", argv[1]);
  }
  if (!text) {
    posix::printf("fail to allocate environment string\r\n");
    return -1;
  }
  int r = posix::env_table_put(shell->environ, text, kiv_linux_heap_allocator(shell));
  if (r != 0) kiv_linux_free_p(shell, text);
  return r;
}
