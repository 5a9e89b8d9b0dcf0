// The compiled vt100 terminal description kept under /usr/share/terminfo/v/vt100.
#pragma once

inline constexpr int KIV_LINUX_VT100_TERMINFO_SIZE = 1190;
extern const unsigned char kiv_linux_vt100_terminfo[KIV_LINUX_VT100_TERMINFO_SIZE];
