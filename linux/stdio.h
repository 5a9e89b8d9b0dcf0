// The environment's C library on descriptors: unbuffered stdio (a FILE is the current
// process's descriptor record), printf-family output, the environment variables of the
// current process, the process-heap allocation functions, time and gettimeofday, warnx.
// Environment threads only; reads and writes may block the calling thread. Failures return
// the usual error value (null, -1, 0 items).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "linux/fd.h"
#include "linux/libc/calendar.h"

namespace posix {

using FILE = kiv_linux_fd_t;
FILE* stdin_file();   // descriptor 0 of the current process, looked up at every use
FILE* stdout_file();
FILE* stderr_file();

FILE* fopen(const char* path, const char* mode);
FILE* fdopen(int number, const char* mode);
int fclose(FILE* f);
std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* f);
std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* f);
int fgetc(FILE* f);
int fputc(int c, FILE* f);
char* fgets(char* buffer, int n, FILE* f);
int fputs(const char* text, FILE* f);
int puts(const char* text);
int printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int fprintf(FILE* f, const char* format, ...) __attribute__((format(printf, 2, 3)));
int vfprintf(FILE* f, const char* format, va_list args);
int fflush(FILE* f);
int feof(FILE* f);
int fseek(FILE* f, int64_t offset, int whence);
int64_t ftell(FILE* f);

char* getenv(const char* name);
int setenv(const char* name, const char* value, int overwrite);
int putenv(char* string);

void* malloc(std::size_t size);
void* calloc(std::size_t count, std::size_t size);
void* realloc(void* block, std::size_t size);
void free(void* block);
char* strdup(const char* text);

struct timeval {
  int64_t tv_sec;
  int32_t tv_usec;  // always 0
};
int gettimeofday(timeval* tv, void* tz);
time_t time(time_t* t);

}  // namespace posix

void kiv_linux_warnx(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Binds the pure C library's diagnostics (strftime's trace, getopt's warnings) to this process
// world; done once at start-up.
void kiv_linux_libc_bind();
