// The application's console streams: a 1024-byte input ring and an output stream. By default
// the output drops everything (the configurator is a GUI program); with --console both are
// bound to the host terminal, kept in raw mode until the program ends.
#pragma once

#include "kernel/stream.h"

struct app_console_t {
  kiv_stream_t* input;
  kiv_stream_t* output;
};

app_console_t app_console_init(bool on_terminal);

// Host side of --console (app/host): the output stream that writes to the terminal, and the
// host thread that feeds typed bytes into `input`. False when there is no terminal.
kiv_stream_t* app_terminal_output();
bool app_terminal_start(kiv_stream_t* input);
