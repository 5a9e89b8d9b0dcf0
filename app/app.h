// Application start-up hooks: program options and the first thread's body.
#pragma once

#include "kernel/thread.h"

struct app_options_t {
  bool console;             // console streams on the host terminal
  const char* sim_dongle;   // disk image of the simulated dongle, or null
};

// Parses the program's options; prints usage and exits on an unknown one.
void app_parse_options(int argc, char** argv);
const app_options_t& app_options();

// Body of the kernel's first thread: runs the application's main routine.
void app_main_entry(kiv_thread_cb_t* cb);
void app_main();
