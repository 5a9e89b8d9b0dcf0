// The lvgl command: starts the GUI on the window display and runs the GUI loop (LVGL's task
// handler every 10 ms) in a thread of its own for the life of the process.
#pragma once

int lvgl_main(int argc, char** argv);
