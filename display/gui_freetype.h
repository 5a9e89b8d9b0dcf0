// FreeType for the GUI: a library, a cache manager for up to `max_faces` faces, a
// character-map cache and a small-bitmap cache, made once at GUI start. No face is opened by
// this module. Runs on the GUI thread; does not block. Returns 0 or the first FreeType error,
// after printing a message through the port's print hook (gui_port.h).
#pragma once

#include <cstdint>

int gui_freetype_init(int max_faces);

// What gui_freetype_init made (null members before it, or after a failure at that step).
struct gui_freetype_state {
  void* library;
  void* manager;
  void* cmap_cache;
  void* sbit_cache;
};
gui_freetype_state gui_freetype_get();
// Releases everything gui_freetype_init made (for tests and a clean shutdown).
void gui_freetype_done();
