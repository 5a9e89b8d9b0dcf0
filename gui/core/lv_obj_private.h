/* Internal hooks between the object tree and the modules that hold references to objects
 * (groups, input devices, displays). Not part of the application's API. */
#pragma once

#include "gui/core/lv_obj.h"

/* Called for each object of a subtree just before it is freed. */
void _lv_group_obj_deleted(lv_obj_t * obj);
void _lv_indev_obj_deleted(lv_obj_t * obj);
void _lv_disp_obj_deleted(lv_obj_t * obj);
/* Called when an object's visibility or place in the tree changes. */
bool _lv_obj_is_visible_on_disp(const lv_obj_t * obj);
/* Style-list slot of a part (parts above the slot count share the last slot). */
uint8_t _lv_obj_part_slot(uint8_t part);
/* Moves the absolute coordinates of obj and all its descendants. */
void _lv_obj_move_subtree(lv_obj_t * obj, lv_coord_t dx, lv_coord_t dy);
/* Calls cb for every screen and layer of every display. */
void _lv_disp_for_each_root(void (*cb)(lv_obj_t *, void *), void * user);
struct _lv_group_t;
/* Detaches a group that is being deleted from the input devices using it. */
void _lv_indev_group_deleted(struct _lv_group_t * group);
