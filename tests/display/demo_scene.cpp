// Demo GUI: the GUI start sequence of the lvgl command and a screen with one of each widget.
#include "tests/display/demo_scene.h"

#include <string>

#include "display/gui_start.h"
#include "kernel/kernel.h"

namespace demo {
namespace {

void (*note_fn)(const char*) = nullptr;
kiv_eda_t* gui_thread = nullptr;

void note(const std::string& line) {
  if (note_fn) note_fn(line.c_str());
}

void on_button(lv_obj_t*, lv_event_t event) {
  if (event == LV_EVENT_PRESSED) note("button pressed");
  if (event == LV_EVENT_CLICKED) note("button clicked");
}

void on_text(lv_obj_t* ta, lv_event_t event) {
  if (event == LV_EVENT_VALUE_CHANGED) note(std::string("text: ") + lv_textarea_get_text(ta));
}

void place(lv_obj_t* obj, const box& b) {
  lv_obj_set_pos(obj, static_cast<lv_coord_t>(b.x), static_cast<lv_coord_t>(b.y));
  lv_obj_set_size(obj, static_cast<lv_coord_t>(b.w), static_cast<lv_coord_t>(b.h));
}

void build_screen(gui* g) {
  lv_obj_t* scr = lv_scr_act();
  lv_obj_set_style_local_bg_color(scr, LV_OBJ_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(SCREEN_RGB));
  lv_obj_t* label = lv_label_create(scr, nullptr);
  lv_label_set_text(label, "Korvalen display demo");
  lv_obj_set_pos(label, 40, 30);

  g->button = lv_btn_create(scr, nullptr);
  place(g->button, BUTTON);
  lv_btn_set_checkable(g->button, true);
  lv_obj_set_style_local_bg_color(g->button, LV_BTN_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(BUTTON_RGB));
  lv_obj_set_style_local_bg_color(g->button, LV_BTN_PART_MAIN, LV_STATE_CHECKED, lv_color_hex(BUTTON_CHECKED_RGB));
  lv_label_set_text(lv_label_create(g->button, nullptr), "Toggle");
  lv_obj_set_event_cb(g->button, on_button);

  g->textarea = lv_textarea_create(scr, nullptr);
  place(g->textarea, TEXTAREA);
  lv_textarea_set_one_line(g->textarea, true);
  lv_textarea_set_text(g->textarea, "");
  lv_textarea_set_cursor_hidden(g->textarea, true);
  lv_obj_set_style_local_bg_color(g->textarea, LV_OBJ_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(TEXTAREA_RGB));
  lv_obj_set_event_cb(g->textarea, on_text);
  lv_group_add_obj(g->group, g->textarea);

  g->bar = lv_bar_create(scr, nullptr);
  place(g->bar, BAR);
  lv_bar_set_value(g->bar, 60, LV_ANIM_OFF);

  static const char* buttons[] = {"OK", ""};
  g->msgbox = lv_msgbox_create(scr, nullptr);
  lv_msgbox_set_text(g->msgbox, "Message box of the display demo");
  lv_msgbox_add_btns(g->msgbox, buttons);
  lv_obj_set_width(g->msgbox, 360);
  lv_obj_align(g->msgbox, nullptr, LV_ALIGN_IN_BOTTOM_MID, 0, -40);
}

}  // namespace

gui start(void (*note_line)(const char* line)) {
  note_fn = note_line;
  gui g{};
  gui_thread = kiv_eda_get_cur();
  gui_session session{};
  gui_start(&session, [](lv_disp_drv_t*) { kiv_eda_post_evt(gui_thread, KIV_EVT_USER); });
  g.disp = session.disp;
  g.pointer = session.pointer;
  g.keypad = session.keypad;
  g.group = session.group;
  build_screen(&g);
  while (kiv_thread_wait() != KIV_EVT_USER) {
  }
  gui_listen_input();
  return g;
}

void step() { gui_loop_step(); }

}  // namespace demo
