// Demo program of the window display: runs the kernel, starts the demo GUI in the window and
// runs the GUI loop every 10 ms. It writes the GUI's events and a heartbeat ("alive N" every
// 100 ms, from a thread of its own) on standard output and the trace on standard error, so a
// test can follow it. Closing the window ends it with status 0.
#include <cstdio>

#include "kernel/kernel.h"
#include "tests/display/demo_scene.h"

namespace {

int write_stderr(kiv_stream_t*, const void* data, int size) {
  std::fwrite(data, 1, static_cast<size_t>(size), stderr);
  std::fflush(stderr);
  return size;
}

const kiv_stream_op_t stderr_op{.init = nullptr, .fini = nullptr, .write = write_stderr, .read = nullptr,
                                .get_buff_length = nullptr,
                                .get_data_length = [](kiv_stream_t*) { return 0; },
                                .get_avail_length = [](kiv_stream_t*) { return -1; },
                                .get_wbuf = nullptr, .get_rbuf = nullptr};
kiv_stream_t trace_stream{&stderr_op, 0, 0, {}, {}};

void say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

kiv_eda_t heartbeat_eda;
kiv_thread_cb_t heartbeat_cb;
alignas(16) unsigned char heartbeat_stack[64 * 1024];

void heartbeat(kiv_thread_cb_t*) {
  for (int n = 1;; ++n) {
    kiv_thread_sleep(kiv_systimer_ms_to_tick(100));
    std::printf("alive %d\n", n);
    std::fflush(stdout);
  }
}

void gui_main(kiv_thread_cb_t*) {
  heartbeat_cb.entry = heartbeat;
  heartbeat_cb.stack = heartbeat_stack;
  heartbeat_cb.stack_size = sizeof heartbeat_stack;
  kiv_thread_start(&heartbeat_eda, &heartbeat_cb, -1);
  demo::start(say);
  say("window painted");
  for (;;) {
    demo::step();
    kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
  }
}

}  // namespace

int main(int argc, char** argv) {
  kiv_stream_init(&trace_stream);
  kiv_arch_set_args(argc, argv);
  kiv_kernel_start(gui_main);
  kiv_trace_set_stream(&trace_stream);
  kiv_kernel_main_loop();
}
