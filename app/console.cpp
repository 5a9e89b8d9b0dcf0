// Console streams.
#include "app/console.h"

namespace {
uint8_t input_storage[1024];
kiv_mem_stream_t input{};
kiv_stream_t sink{};
}  // namespace

app_console_t app_console_init(bool on_terminal) {
  input = kiv_mem_stream_t{};
  input.stream.op = &kiv_mem_stream_op;
  input.buffer = input_storage;
  input.size = sizeof input_storage;
  input.align = 1;
  kiv_stream_init(&input.stream);
  kiv_stream_t* output = nullptr;
  if (on_terminal && (output = app_terminal_output()) && app_terminal_start(&input.stream)) {
    kiv_stream_init(output);
    return {&input.stream, output};
  }
  sink = kiv_stream_t{};
  sink.op = &kiv_console_sink_op;
  kiv_console_sink_set_input(&input.stream);
  kiv_stream_init(&sink);
  return {&input.stream, &sink};
}
