// GUI start and one turn of the GUI loop.
#include "display/gui_start.h"

#include "display/gui_freetype.h"
#include "display/window.h"

bool gui_start(gui_session* s, gui_ready_cb_t ready) {
  disp_device* dev = disp_window_device();
  if (!dev) return false;
  if (dev->color_format != DISP_COLOR_RGB565) dev->color_format = DISP_COLOR_RGB565;
  lv_init();
  lv_disp_drv_t drv;  // the display keeps its own copy
  lv_disp_drv_init(&drv);
  drv.hor_res = static_cast<lv_coord_t>(dev->width < 900 ? dev->width : 900);
  drv.ver_res = static_cast<lv_coord_t>(dev->height < 560 ? dev->height : 560);
  drv.buffer = gui_draw_buf_init();
  s->disp = lv_disp_drv_register(&drv);
  gui_bind_display(dev, &s->disp->driver, ready);
  lv_indev_drv_t pointer;
  lv_indev_drv_init(&pointer);
  pointer.type = LV_INDEV_TYPE_POINTER;
  pointer.read_cb = gui_pointer_read;
  s->pointer = lv_indev_drv_register(&pointer);
  lv_indev_drv_t keypad;
  lv_indev_drv_init(&keypad);
  keypad.type = LV_INDEV_TYPE_KEYPAD;
  keypad.read_cb = gui_keypad_read;
  s->keypad = lv_indev_drv_register(&keypad);
  s->group = lv_group_create();
  lv_indev_set_group(s->keypad, s->group);
  gui_freetype_init(4);
  return true;
}

void gui_listen_input() { input_listener_add(&gui_listener); }

void gui_loop_step() {
  gui_tick_sync();
  lv_task_handler();
}
