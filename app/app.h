// Application start-up hooks: program options, the main routine (console streams, then the
// environment), the command installation hook and app_run_command.
// app_main runs on the kernel's first thread; app_install_commands and app_run_command on
// environment threads (app_run_command blocks its caller until the line has run).
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
int app_main();
int app_install_commands();
// Formats a command line (cut at 511 characters), runs it; true when its status was 0.
bool app_run_command(const char* format, ...) __attribute__((format(printf, 1, 2)));
