// The GUI port: binds the widget layer (gui/lvgl.h) to a display device and feeds its pointer
// and keypad input devices from the window's input events. Owns the draw buffer, the binding
// state, the input slots and the keypad state. Everything runs on the GUI thread (a kernel
// thread), except the display's ready handlers and the input listener, which run on the window
// thread inside the CPU lock. The wait callback blocks the GUI thread until a flush is painted.
// Nothing here reports errors: a display that never paints leaves the GUI waiting.
#pragma once

#include <cstdint>

#include "display/disp.h"
#include "display/input.h"
#include "gui/lvgl.h"

// One draw buffer of a tenth of the screen: larger areas are rendered and flushed in slices.
inline constexpr uint32_t GUI_DRAW_BUF_PIXELS = 50400;

// Initialises the port's static draw buffer (one buffer, no second) and returns it.
lv_disp_buf_t* gui_draw_buf_init();

using gui_ready_cb_t = void (*)(lv_disp_drv_t* drv);
// Binds the registered driver `drv` to `dev` and starts the device (its `init`); `ready` is
// called once, with `drv`, when the display has first painted (window thread, CPU lock held).
void gui_bind_display(disp_device* dev, lv_disp_drv_t* drv, gui_ready_cb_t ready);

// Read callbacks of the pointer and keypad input devices; true asks LVGL to read again at once.
bool gui_pointer_read(lv_indev_drv_t* drv, lv_indev_data_t* data);
bool gui_keypad_read(lv_indev_drv_t* drv, lv_indev_data_t* data);

// The listener callback and its record (kinds touch and key), for input_listener_add.
void gui_input_listener(uint8_t kind, const void* event);
extern input_listener gui_listener;

// Advances the widget layer's millisecond tick to kernel time; call before lv_task_handler.
void gui_tick_sync();

// Where the binding stands (see gui_bind_display and the flush/wait callbacks).
enum class gui_binding_state { unbound, waiting_first_paint, ready, flushing, waiting_flush };
gui_binding_state gui_binding_get(const lv_disp_drv_t* drv);

// Output of the port's messages (the FreeType set-up failures). The default writes a trace
// line; the program's lvgl command points it at its standard output once processes exist.
using gui_print_hook_t = void (*)(const char* text);
void gui_port_set_print(gui_print_hook_t hook);
void gui_port_print(const char* text);

// Forgets the binding, the input slots and the keypad state (for tests; the program binds once).
void gui_port_reset();
