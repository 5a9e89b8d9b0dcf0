// The window display: one 900 x 560 RGB565 display shown in a host window titled
// "Korvalen v1.3", which is also the keyboard and mouse of the GUI. `init` starts the window's
// host thread "disp_windgi" (once); `refresh` copies pixels into the frame buffer and asks the
// window to show them. Neither blocks; readiness arrives later through the device's ready
// callback, on the window thread inside the CPU lock. Closing the window ends the process
// with status 0. Without a usable display the window thread writes one trace line and ends.
#pragma once

#include "display/disp.h"

inline constexpr uint16_t DISP_WINDOW_WIDTH = 900;
inline constexpr uint16_t DISP_WINDOW_HEIGHT = 560;
inline constexpr const char* DISP_WINDOW_TITLE = "Korvalen v1.3";

// The window display (always present on this host).
disp_device* disp_window_device();
