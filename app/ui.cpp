// The first screen (a demo until the configurator's screens exist).
#include "app/ui.h"

namespace {
void place(lv_obj_t* obj, const app_ui_box& b) {
  lv_obj_set_pos(obj, static_cast<lv_coord_t>(b.x), static_cast<lv_coord_t>(b.y));
  lv_obj_set_size(obj, static_cast<lv_coord_t>(b.w), static_cast<lv_coord_t>(b.h));
}
}  // namespace

void app_ui_init(int, lv_group_t* keypad_group) {
  lv_obj_t* scr = lv_scr_act();
  lv_obj_set_style_local_bg_color(scr, LV_OBJ_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(APP_UI_SCREEN_RGB));
  lv_obj_t* title = lv_label_create(scr, nullptr);
  lv_label_set_text(title, "Korvalen configurator");
  lv_obj_set_style_local_text_color(title, LV_LABEL_PART_MAIN, LV_STATE_DEFAULT, LV_COLOR_WHITE);
  lv_obj_set_pos(title, 60, 50);

  lv_obj_t* button = lv_btn_create(scr, nullptr);
  place(button, APP_UI_BUTTON);
  lv_btn_set_checkable(button, true);
  lv_obj_set_style_local_bg_color(button, LV_BTN_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(APP_UI_BUTTON_RGB));
  lv_obj_set_style_local_bg_color(button, LV_BTN_PART_MAIN, LV_STATE_CHECKED, lv_color_hex(APP_UI_BUTTON_CHECKED_RGB));
  lv_label_set_text(lv_label_create(button, nullptr), "Toggle");

  lv_obj_t* text = lv_textarea_create(scr, nullptr);
  place(text, APP_UI_TEXTAREA);
  lv_textarea_set_one_line(text, true);
  lv_obj_set_size(text, static_cast<lv_coord_t>(APP_UI_TEXTAREA.w), static_cast<lv_coord_t>(APP_UI_TEXTAREA.h));
  lv_textarea_set_text(text, "");
  lv_textarea_set_placeholder_text(text, "type here");
  lv_textarea_set_max_length(text, 32);
  lv_obj_set_style_local_bg_color(text, LV_OBJ_PART_MAIN, LV_STATE_DEFAULT, lv_color_hex(APP_UI_TEXTAREA_RGB));
  lv_group_add_obj(keypad_group, text);

  lv_obj_t* bar = lv_bar_create(scr, nullptr);
  place(bar, APP_UI_BAR);
  lv_bar_set_value(bar, 40, LV_ANIM_ON);

  static const char* buttons[] = {"OK", ""};
  lv_obj_t* box = lv_msgbox_create(scr, nullptr);
  lv_msgbox_set_text(box, "Welcome to Korvalen");
  lv_msgbox_add_btns(box, buttons);
  lv_obj_set_width(box, 320);
  lv_obj_align(box, nullptr, LV_ALIGN_IN_BOTTOM_MID, 0, -30);
}
