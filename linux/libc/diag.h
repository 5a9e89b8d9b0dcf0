// Diagnostic outlets of the environment's C library: kernel trace lines (strftime's
// "invalid fmt" line) and warnx-style messages on standard error (getopt's messages).
// The library is pure; the environment binds these hooks to kiv_trace and
// kiv_linux_warnx at start-up. Unbound hooks drop the text. Nothing here blocks beyond
// what the bound functions do. libc_set_diag({}) restores the silent default.
#pragma once

namespace posix {

inline constexpr int KIV_LIBC_TRACE_ERROR = 1;  // trace level of the kernel's error lines

struct libc_diag {
    void (*trace)(int level, const char* text);  // a complete trace line, "\r\n" included
    void (*warn)(const char* text);              // written as is to standard error
};

void libc_set_diag(const libc_diag& hooks);
void libc_trace(int level, const char* text);
void libc_warn(const char* text);

}  // namespace posix
