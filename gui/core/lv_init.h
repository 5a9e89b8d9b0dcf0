/* Start and stop of the widget layer. lv_init builds the theme once and is idempotent;
 * lv_deinit deletes every display with its objects, every input device, group, task and
 * animation and resets the tick, so that a test can start again from nothing. */
#pragma once

void lv_init(void);
void lv_deinit(void);
bool lv_is_initialized(void);
