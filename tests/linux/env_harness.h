// Test harness for the environment: runs a body as the main of the first process, with the
// VFS, the device files and console descriptors 0..2 over a test input stream (written by the
// test) and an output stream that records everything the environment prints.
#pragma once

#include <functional>
#include <string>

#include "linux/exec.h"
#include "linux/fd.h"
#include "linux/startup.h"
#include "linux/stdio.h"
#include "tests/kernel/harness.h"

namespace kvtest {

struct Console {
  uint8_t input_storage[1024];
  kiv_mem_stream_t input{};
  CaptureStream output;

  Console() {
    input.stream.op = &kiv_mem_stream_op;
    input.buffer = input_storage;
    input.size = sizeof input_storage;
    input.align = 1;
    kiv_stream_init(&input.stream);
  }
  // Types into the console, as the keyboard would.
  void type(const std::string& keys) { kiv_stream_write(&input.stream, keys.data(), static_cast<int>(keys.size())); }
  const std::string& printed() const { return output.text; }
};

inline Console*& console() {
  static Console* c = nullptr;
  return c;
}

// Runs `body` in process 0 and returns when that process has ended.
inline void run_in_environment(std::function<void()> body) {
  run_on_kernel([&body] {
    static bool done;
    static std::function<void()>* run;
    done = false;
    run = &body;
    Console con;
    console() = &con;
    kiv_linux_root_reset();
    kiv_linux_process_reset_counters();
    kiv_fs_init();
    ASSERT_EQ(kiv_linux_console_init(&con.input.stream, &con.output.stream, &con.output.stream), 0);
    kiv_linux_process_t* p = kiv_linux_process_alloc(0);
    ASSERT_NE(p, nullptr);
    p->cwd = kiv_linux_strdup_p(p, "/");
    kiv_linux_libc_bind();
    kiv_linux_getopt_bind();
    p->main = [](int, char**) {
      static bool tree_built = false;  // the in-memory tree lives as long as the test program
      if (!tree_built && kiv_linux_create_fhs() != 0) ADD_FAILURE() << "no directory tree";
      tree_built = true;
      (*run)();
      done = true;
      return 0;
    };
    kiv_linux_process_start(p);
    ASSERT_TRUE(yield_until([] { return done && !kiv_linux_process_find(0); }));
    // Tear down what this run built so that the next one starts from nothing.
    for (int n = 0; n < 3; ++n) kiv_linux_fd_close(&kiv_linux_root, n);
    kiv_linux_process_cleanup(&kiv_linux_root);
    console() = nullptr;
  });
}

}  // namespace kvtest
