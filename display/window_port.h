// Between the window display and its host back end (display/host/). The back end owns the
// host window and calls the disp_window_on_* functions from its thread "disp_windgi"; those
// take the CPU lock themselves where they touch kernel state, so the back end must call them
// without holding it. The frame buffer is read by the back end without a lock: a picture torn
// by a concurrent refresh is repainted because that refresh asks for another paint.
#pragma once

#include <cstdint>

#include "display/disp.h"
#include "kernel/host/arch.h"

// ---- offered by the back end -----------------------------------------------------------------
// Starts the window thread: it makes the window, then pumps its events until the process ends;
// when the window cannot be made it reports that (disp_window_on_failure) and ends.
void disp_host_start(kiv_arch_thread_t* thread);
// Asks the window thread to paint the dirty part of the frame buffer. Never blocks; calls made
// before the window exists (or after it failed) are dropped: its first paint shows everything.
void disp_host_wake();

// ---- offered to the back end -----------------------------------------------------------------
struct disp_window_frame {
  const uint8_t* pixels;  // top row first, `stride` bytes per row
  uint32_t stride;
  uint16_t width, height;
  uint32_t color_format;
};
disp_window_frame disp_window_frame_get();

// Takes the area refreshed since the last call (false when none) and the refresh sequence
// number it belongs to; pass that number to disp_window_on_painted once it is on screen.
bool disp_window_take_dirty(disp_rect* rect, uint32_t* seq);
// The sequence number of the latest refresh (for a full repaint).
uint32_t disp_window_seq();
// The frame buffer up to refresh `seq` is visible: reports readiness if nothing newer came.
void disp_window_on_painted(kiv_arch_thread_t* thread, uint32_t seq);
// Left mouse button went down or up at client position (x, y).
void disp_window_on_button(kiv_arch_thread_t* thread, bool pressed, int x, int y);
// A key went down or up; `host_usage` is the key's standard HID usage, `caps_lock` the host's
// Caps Lock toggle. Auto-repeated presses are dropped here.
void disp_window_on_key(kiv_arch_thread_t* thread, uint16_t host_usage, bool pressed, bool caps_lock);
// The user closed the window: the process ends with status 0.
[[noreturn]] void disp_window_on_close();
// The window could not be made: writes one trace line saying why; the thread then ends.
void disp_window_on_failure(kiv_arch_thread_t* thread, const char* what, const char* detail);

// ---- for tests ---------------------------------------------------------------------------------
// Forgets the started state, the dirty area, the refresh count, the key state and the painted
// flag, and clears the frame buffer; the device record is reset to its initial values.
void disp_window_reset_for_test();
