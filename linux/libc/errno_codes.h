// Error numbers of the POSIX-like environment (Linux numbering), as constants of our own so
// that they never meet the host's errno macros. Pure values: no state, nothing blocks.
// The environment's calls set a thread's errno to one of these and return -1 (or null).
#pragma once

inline constexpr int KIV_ENOENT = 2;   // no such file or directory
inline constexpr int KIV_EINTR = 4;    // interrupted (the shell tests it on a failed read)
inline constexpr int KIV_ENOMEM = 12;  // out of memory; also "line too long" as -12
inline constexpr int KIV_EEXIST = 17;  // already exists
inline constexpr int KIV_ENOTDIR = 20; // not a directory
inline constexpr int KIV_ERANGE = 34;  // result too large
