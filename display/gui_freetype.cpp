// FreeType initialisation through its cache sub-system. Face identifiers are the faces
// themselves: whoever asks the cache for a face passes an FT_Face it opened.
#include "display/gui_freetype.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H

#include <cstdio>

#include "display/gui_port.h"

namespace {

struct freetype_state {
  FT_Library library = nullptr;
  FTC_Manager manager = nullptr;
  FTC_CMapCache cmap_cache = nullptr;
  FTC_SBitCache sbit_cache = nullptr;
} ft;

FT_Error face_requester(FTC_FaceID face_id, FT_Library, FT_Pointer, FT_Face* face) {
  *face = static_cast<FT_Face>(face_id);
  return 0;
}

}  // namespace

int gui_freetype_init(int max_faces) {
  gui_freetype_done();
  FT_Error err = FT_Init_FreeType(&ft.library);
  if (err) {
    char line[64];
    std::snprintf(line, sizeof line, "Error in FT_Init_FreeType: %d\n", err);
    gui_port_print(line);
    ft.library = nullptr;
    return err;
  }
  err = FTC_Manager_New(ft.library, static_cast<uint8_t>(max_faces), 1, 0, face_requester, nullptr, &ft.manager);
  if (err) {
    gui_port_print("Failed to open cache manager\r\n");
    ft.manager = nullptr;
    return err;
  }
  err = FTC_CMapCache_New(ft.manager, &ft.cmap_cache);
  if (err) {
    gui_port_print("Failed to open Cmap Cache\r\n");
    ft.cmap_cache = nullptr;
    return err;
  }
  err = FTC_SBitCache_New(ft.manager, &ft.sbit_cache);
  if (err) {
    gui_port_print("Failed to open sbit cache\r\n");
    ft.sbit_cache = nullptr;
    return err;
  }
  return 0;
}

gui_freetype_state gui_freetype_get() { return {ft.library, ft.manager, ft.cmap_cache, ft.sbit_cache}; }

void gui_freetype_done() {
  // The caches belong to the manager and go with it.
  if (ft.manager) FTC_Manager_Done(ft.manager);
  if (ft.library) FT_Done_FreeType(ft.library);
  ft = {};
}
