// Short-option parsing (getopt) with per-process state. The state record lives wherever the
// environment keeps per-process library data; getopt_bind installs the function that finds
// the current process's record (null restores a built-in record, used by host-side tests).
// Programs keep the familiar names through accessors: posix::optind(), posix::optarg()...
// Never blocks. Errors: '?' or ':' as POSIX describes; messages go to libc_warn (diag.h).
#pragma once

namespace posix {

// Field order follows the environment's layout; the position inside the current argument is
// kept per process too (an offset, so a stale state never points into freed arguments).
struct getopt_state {
    char* optarg = nullptr;
    int opterr = 1;
    int optind = 1;
    int optopt = '?';
    int optreset = 0;
    int optpos = 0;  // offset of the next option character in argv[optind]; 0: next argument
};

// Fills a fresh module data block with the initial state. To bind per-process storage,
// use sizeof(getopt_state) as the module size (more than the 20 bytes of a 32-bit layout:
// pointers are 8 bytes here and the scan position is kept too), this as the module's init,
// and getopt_bind with a function returning the current process's block.
void getopt_state_init(void* data);

using getopt_state_source = getopt_state* (*)();
void getopt_bind(getopt_state_source source);

// The current process's state; null when the bound source could not provide one.
getopt_state* getopt_ctx();

// Explicit-state form, and the usual form on the current process's state (-1 without state).
int getopt_r(getopt_state& state, int argc, char* const argv[], const char* options);
int getopt(int argc, char* const argv[], const char* options);

// The global-looking names. When no state is available they refer to a scratch record.
char*& optarg();
int& opterr();
int& optind();
int& optopt();
int& optreset();

}  // namespace posix
