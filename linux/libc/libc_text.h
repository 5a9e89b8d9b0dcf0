// Small text functions of the environment's C library: basename and strerror.
// Pure, never block. basename may modify its argument (a trailing "/" is removed) and
// returns either a pointer into it or a shared "." record; strerror never fails.
#pragma once

namespace posix {

char* basename(char* path);
const char* strerror(int number);  // the environment keeps no message table: "unknown"

}  // namespace posix
