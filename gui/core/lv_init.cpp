/* Start and stop of the widget layer. */
#include "gui/core/lv_init.h"

#include "gui/core/lv_disp.h"
#include "gui/core/lv_group.h"
#include "gui/core/lv_indev.h"
#include "gui/misc/lv_anim.h"
#include "gui/misc/lv_task.h"
#include "gui/themes/lv_theme.h"

namespace {
bool g_inited = false;
}

void lv_init(void)
{
    if(g_inited) return;
    _lv_theme_init();
    g_inited = true;
}

void lv_deinit(void)
{
    _lv_disp_core_reset();
    _lv_indev_core_reset();
    _lv_group_core_reset();
    _lv_anim_core_reset();
    _lv_task_core_reset();
    g_inited = false;
}

bool lv_is_initialized(void)
{
    return g_inited;
}
