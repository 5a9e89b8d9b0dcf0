// Test harness: runs a test body as the kernel's first thread on the real kernel, and a
// trace stream that records what is written to it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kernel/kernel.h"

namespace kvtest {

inline std::function<void()>& kernel_body() {
  static std::function<void()> body;
  return body;
}

// Runs `body` as the first thread; returns when it has ended.
inline void run_on_kernel(std::function<void()> body) {
  kernel_body() = std::move(body);
  kiv_kernel_run([](kiv_thread_cb_t*) { kernel_body()(); }, 256 * 1024);
  kernel_body() = nullptr;
}

// Lets the other edas run until `done` holds. Yielding alone would starve the host threads
// (they only get in while the kernel idles), so every turn that is not enough also sleeps a
// millisecond. Gives up after `max_turns` turns.
inline bool yield_until(const std::function<bool()>& done, int max_turns = 5000) {
  for (int i = 0; i < max_turns && !done(); ++i) {
    kiv_thread_yield();
    if (!done()) kiv_thread_sleep(kiv_systimer_ms_to_tick(1));
  }
  return done();
}

// Finishes an eda that a test leaves behind (for example after a failed assertion), so that
// no record that goes out of scope stays linked in the kernel's lists.
inline void finish_if_live(kiv_eda_t& eda, bool terminated) {
  if (!terminated && (eda.state || eda.evt_first || (eda.frame_flags & KIV_EDA_USE_FRAME))) kiv_eda_fini(&eda);
}

// A plain eda whose handler is a std::function, for short scripted tasks. A task still live
// when it goes out of scope is finished first.
struct Task {
  kiv_eda_t eda{};  // first member: the handler finds the task from its eda
  std::function<void(Task&, kiv_evt_t)> on_event;
  int terminated = 0;

  explicit Task(std::function<void(Task&, kiv_evt_t)> fn) : on_event(std::move(fn)) {
    eda.slot.handler = [](kiv_eda_t* e, kiv_evt_t evt) {
      auto* self = reinterpret_cast<Task*>(e);
      self->on_event(*self, evt);
    };
    eda.on_terminate = [](kiv_eda_t* e) { reinterpret_cast<Task*>(e)->terminated++; };
  }
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;
  ~Task() { finish_if_live(eda, terminated > 0); }
  void start() {
    if (kiv_eda_start(&eda, -1, 0) != KIV_ERR_NONE) ADD_FAILURE() << "kiv_eda_start failed";
  }
  bool idle() const { return !(eda.state & KIV_EDA_IN_READY); }
};

// A stream class that appends whatever is written to a string.
struct CaptureStream {
  kiv_stream_t stream{};
  std::string text;

  CaptureStream() {
    static const kiv_stream_op_t op{
        .init = nullptr, .fini = nullptr,
        .write = [](kiv_stream_t* s, const void* data, int size) {
          reinterpret_cast<CaptureStream*>(s)->text.append(static_cast<const char*>(data), static_cast<std::size_t>(size));
          return size;
        },
        .read = nullptr, .get_buff_length = nullptr,
        .get_data_length = [](kiv_stream_t*) { return 0; },
        .get_avail_length = [](kiv_stream_t*) { return -1; },
        .get_wbuf = nullptr, .get_rbuf = nullptr};
    stream.op = &op;
    kiv_stream_init(&stream);
  }
};

// Makes a CaptureStream the trace stream for the lifetime of the guard.
struct TraceCapture {
  CaptureStream capture;
  TraceCapture() {
    kiv_trace_set_stream(&capture.stream);
    capture.text.clear();
  }
  ~TraceCapture() { kiv_trace_set_stream(nullptr); }
  const std::string& text() const { return capture.text; }
};

}  // namespace kvtest
