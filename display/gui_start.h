// GUI start on the window display: the widget layer initialised and bound to the window (one
// draw buffer, a 900 x 560 driver at most), a pointer and a keypad input device, one keypad
// group, FreeType. Runs on the GUI's kernel thread; `ready` runs once on the window thread
// (inside the CPU lock) when the window has painted for the first time. One turn of the GUI
// loop is gui_loop_step.
#pragma once

#include "display/gui_port.h"

struct gui_session {
  lv_disp_t* disp;
  lv_indev_t* pointer;
  lv_indev_t* keypad;
  lv_group_t* group;
};

// False when there is no display device.
bool gui_start(gui_session* session, gui_ready_cb_t ready);
// Input from the window reaches the input devices from now on.
void gui_listen_input();
// One turn of the GUI loop: the widget layer's clock catches up, then its task handler runs.
void gui_loop_step();
