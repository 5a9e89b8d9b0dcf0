/* The widget layer's single public header, LVGL 7 compatible: include this one file.
 * Everything runs on the GUI thread (the one calling lv_task_handler) and never blocks,
 * except rendering, which waits for outstanding flushes through the display's wait callback.
 * Errors are not reported: invalid input (unknown fonts, letters, markup, over-long text) is
 * drawn or ignored as LVGL 7 does; allocation failure ends the program. */
#pragma once

#include "gui/lv_conf.h"

#include "gui/misc/lv_anim.h"
#include "gui/misc/lv_area.h"
#include "gui/misc/lv_color.h"
#include "gui/misc/lv_task.h"
#include "gui/misc/lv_txt.h"

#include "gui/font/lv_font.h"

#include "gui/core/lv_disp.h"
#include "gui/core/lv_group.h"
#include "gui/core/lv_indev.h"
#include "gui/core/lv_init.h"
#include "gui/core/lv_obj.h"
#include "gui/core/lv_style.h"

#include "gui/draw/lv_draw.h"

#include "gui/widgets/lv_bar.h"
#include "gui/widgets/lv_btn.h"
#include "gui/widgets/lv_label.h"
#include "gui/widgets/lv_msgbox.h"
#include "gui/widgets/lv_textarea.h"

#define LVGL_VERSION_MAJOR 7
#define LVGL_VERSION_MINOR 11
#define LVGL_VERSION_PATCH 0
