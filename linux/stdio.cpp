// Unbuffered stdio on descriptors, the environment variables, the process-heap allocation
// functions, time, and warnx.
#include "linux/stdio.h"

#include <cstdio>
#include <cstring>

#include "linux/libc/diag.h"
#include "linux/libc/env_table.h"

namespace {

int flags_of(const char* mode) {
  if (!mode || !*mode) return KIV_O_RDONLY;
  int flags = KIV_O_RDONLY;
  if (mode[0] == 'w') flags = KIV_O_WRONLY | KIV_O_CREAT | KIV_O_TRUNC;
  if (mode[0] == 'a') flags = KIV_O_WRONLY | KIV_O_APPEND | KIV_O_CREAT;
  char next = mode[1];
  if (next == 't' || next == 'b') next = mode[2];
  if (next == '+') flags = (flags & ~3) | KIV_O_RDWR;
  return flags;
}

int number_of(posix::FILE* f) { return f ? f->fd : -1; }

}  // namespace

posix::FILE* posix::stdin_file() { return kiv_linux_fd_get(0); }
posix::FILE* posix::stdout_file() { return kiv_linux_fd_get(1); }
posix::FILE* posix::stderr_file() { return kiv_linux_fd_get(2); }

posix::FILE* posix::fopen(const char* path, const char* mode) {
  int fd = posix::open(path, flags_of(mode));
  return fd < 0 ? nullptr : kiv_linux_fd_get(fd);
}

posix::FILE* posix::fdopen(int number, const char*) { return kiv_linux_fd_get(number); }

int posix::fclose(FILE* f) { return f ? posix::close(f->fd) : -1; }

std::size_t posix::fread(void* buffer, std::size_t size, std::size_t count, FILE* f) {
  std::size_t bytes = size * count;
  if (bytes == 0 || number_of(f) < 0) return 0;
  int n = posix::read(f->fd, buffer, static_cast<int>(bytes));
  if (n < 0) return 0;
  return static_cast<std::size_t>(n) == bytes ? count : static_cast<std::size_t>(n) / size;
}

std::size_t posix::fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* f) {
  std::size_t bytes = size * count;
  if (bytes == 0 || number_of(f) < 0) return 0;
  int n = posix::write(f->fd, buffer, static_cast<int>(bytes));
  if (n < 0) return 0;
  return static_cast<std::size_t>(n) == bytes ? count : static_cast<std::size_t>(n) / size;
}

int posix::fgetc(FILE* f) {
  unsigned char c;
  return number_of(f) >= 0 && posix::read(f->fd, &c, 1) == 1 ? c : -1;
}

int posix::fputc(int c, FILE* f) {
  auto b = static_cast<unsigned char>(c);
  return number_of(f) >= 0 && posix::write(f->fd, &b, 1) == 1 ? c : -1;
}

char* posix::fgets(char* buffer, int n, FILE* f) {
  if (n < 2 || number_of(f) < 0) return nullptr;
  bool console_input = f == posix::stdin_file();
  int stored = 0;
  while (stored < n - 1) {
    char c;
    if (posix::read(f->fd, &c, 1) != 1) break;
    if (console_input && (c == 0x08 || c == 0x7F)) {
      if (stored) --stored;
      continue;
    }
    if (console_input && c == '\n') continue;
    buffer[stored++] = c;
    if (c == '\r' || c == '\n') break;
  }
  buffer[stored] = '\0';
  return stored ? buffer : nullptr;
}

int posix::fputs(const char* text, FILE* f) {
  int len = static_cast<int>(std::strlen(text));
  return number_of(f) >= 0 && posix::write(f->fd, text, len) == len ? len : -1;
}

int posix::puts(const char* text) {
  if (posix::fputs(text, posix::stdout_file()) < 0) return -1;
  return posix::fputs("\n", posix::stdout_file());
}

int posix::vfprintf(FILE* f, const char* format, va_list args) {
  if (number_of(f) < 0 || !format) return -1;
  char local[4096];
  va_list again;
  va_copy(again, args);
  int len = std::vsnprintf(local, sizeof local, format, args);
  const char* text = local;
  char* big = nullptr;
  if (len >= static_cast<int>(sizeof local)) {
    big = static_cast<char*>(kiv_linux_malloc_p(nullptr, len + 1));
    if (big) std::vsnprintf(big, static_cast<std::size_t>(len) + 1, format, again);
    text = big;
  }
  va_end(again);
  if (len < 0 || !text) return -1;
  int written = len ? posix::write(f->fd, text, len) : 0;
  kiv_linux_free_p(nullptr, big);
  if (len == 0) return 0;
  return written == len ? len : -1;
}

int posix::printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int r = posix::vfprintf(posix::stdout_file(), format, args);
  va_end(args);
  return r;
}

int posix::fprintf(FILE* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int r = posix::vfprintf(f, format, args);
  va_end(args);
  return r;
}

int posix::fflush(FILE*) { return 0; }

int posix::feof(FILE* f) { return f && f->op->eof ? f->op->eof(f) : 0; }

int posix::fseek(FILE* f, int64_t offset, int whence) {
  if (number_of(f) < 0 || f->op != &kiv_linux_file_op) return -1;
  auto* file = static_cast<kiv_file_t*>(f->priv->target);
  return kiv_fs_wait(kiv_file_seek(file, offset, whence)) == KIV_ERR_NONE ? 0 : -1;
}

int64_t posix::ftell(FILE* f) {
  if (number_of(f) < 0 || f->op != &kiv_linux_file_op) return -1;
  return static_cast<int64_t>(kiv_file_tell(static_cast<kiv_file_t*>(f->priv->target)));
}

// ---- environment ------------------------------------------------------------------------------

char* posix::getenv(const char* name) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  return p ? const_cast<char*>(posix::env_table_get(p->environ, name)) : nullptr;
}

int posix::putenv(char* string) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  return p ? posix::env_table_put(p->environ, string, kiv_linux_heap_allocator(nullptr)) : -1;
}

int posix::setenv(const char* name, const char* value, int overwrite) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  return p ? posix::env_table_set(p->environ, name, value, overwrite, kiv_linux_heap_allocator(nullptr)) : -1;
}

// ---- memory -------------------------------------------------------------------------------------

void* posix::malloc(std::size_t size) {
  return size > 0x7FFFFFF0u ? nullptr : kiv_linux_malloc_p(nullptr, static_cast<int>(size));
}
void* posix::calloc(std::size_t count, std::size_t size) {
  return count > 0x7FFFFFF0u || size > 0x7FFFFFF0u ? nullptr
                                                   : kiv_linux_calloc_p(nullptr, static_cast<int>(count), static_cast<int>(size));
}
void* posix::realloc(void* block, std::size_t size) {
  return size > 0x7FFFFFF0u ? nullptr : kiv_linux_realloc_p(nullptr, block, static_cast<int>(size));
}
void posix::free(void* block) { kiv_linux_free_p(nullptr, block); }
char* posix::strdup(const char* text) { return kiv_linux_strdup_p(nullptr, text); }

// ---- time -----------------------------------------------------------------------------------------

int posix::gettimeofday(timeval* tv, void*) {
  kiv_rtc_tm_t now{};
  if (kiv_rtc_get(&kiv_rtc, &now) != KIV_ERR_NONE) return -1;
  posix::tm t{};
  t.tm_sec = now.sec;
  t.tm_min = now.min;
  t.tm_hour = now.hour;
  t.tm_mday = now.day;
  t.tm_mon = now.month - 1;
  t.tm_year = now.year - 1900;
  if (tv) {
    tv->tv_sec = kiv_linux_timegm(&t);
    tv->tv_usec = 0;
  }
  return 0;
}

posix::time_t posix::time(time_t* t) {
  timeval tv{};
  posix::gettimeofday(&tv, nullptr);
  if (t) *t = tv.tv_sec;
  return tv.tv_sec;
}

// ---- diagnostics ----------------------------------------------------------------------------------

void kiv_linux_warnx(const char* format, ...) {
  if (!format) return;
  va_list args;
  va_start(args, format);
  posix::vfprintf(posix::stderr_file(), format, args);
  va_end(args);
}

void kiv_linux_libc_bind() {
  posix::libc_set_diag({.trace = [](int level, const char* text) { kiv_trace(level, "%s", text); },
                        .warn = [](const char* text) { kiv_linux_warnx("%s", text); }});
}
