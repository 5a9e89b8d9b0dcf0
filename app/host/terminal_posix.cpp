// The --console terminal: raw mode on the host terminal (restored when the program ends or is
// stopped by a signal), an output stream writing to the host's standard output, and the
// "console_in" host thread that feeds typed bytes into the console input stream.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "app/console.h"
#include "kernel/host/arch.h"

namespace {

termios saved{};
bool raw = false;
kiv_stream_t* console_input = nullptr;
kiv_arch_thread_t reader;
kiv_stream_t terminal_output{};

void restore_terminal() {
  if (raw) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  raw = false;
}

void on_signal(int sig) {
  restore_terminal();
  signal(sig, SIG_DFL);
  raise(sig);
}

int write_all(kiv_stream_t*, const void* data, int size) {
  const char* p = static_cast<const char*>(data);
  int left = size;
  while (left > 0) {
    ssize_t n = ::write(STDOUT_FILENO, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    p += n;
    left -= static_cast<int>(n);
  }
  return size;
}
int nothing_stored(kiv_stream_t*) { return 0; }
int unlimited(kiv_stream_t*) { return -1; }
constexpr kiv_stream_op_t terminal_op{.init = nullptr, .fini = nullptr, .write = write_all, .read = nullptr,
                                      .get_buff_length = nullptr, .get_data_length = nothing_stored,
                                      .get_avail_length = unlimited, .get_wbuf = nullptr, .get_rbuf = nullptr};

// Typed bytes go into the console input as an interrupt would put them there.
void read_keys(kiv_arch_thread_t* self) {
  char buf[64];
  for (;;) {
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // end of input: the shell sees the end of its input and ends
      kiv_arch_irq_enter(self);
      kiv_stream_disconnect_tx(console_input);
      kiv_arch_irq_leave(self);
      return;
    }
    for (ssize_t done = 0; done < n;) {
      kiv_arch_irq_enter(self);
      int put = kiv_stream_write(console_input, buf + done, static_cast<int>(n - done));
      kiv_arch_irq_leave(self);
      if (put <= 0) kiv_arch_sleep(5);  // the ring is full: the shell has not read yet
      done += put > 0 ? put : 0;
    }
  }
}

}  // namespace

kiv_stream_t* app_terminal_output() {
  terminal_output = kiv_stream_t{};
  terminal_output.op = &terminal_op;
  return &terminal_output;
}

bool app_terminal_start(kiv_stream_t* input) {
  console_input = input;
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0) {
    termios t = saved;
    cfmakeraw(&t);
    t.c_lflag |= ISIG;  // Ctrl-C still ends the program (and the handler restores the terminal)
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &t) == 0) {
      raw = true;
      kiv_arch_at_exit(restore_terminal);
      for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) signal(sig, on_signal);
    }
  }
  kiv_stream_connect_tx(input);  // the "console_in" thread is the input's writer
  kiv_arch_thread_create(&reader, "console_in", read_keys);
  return true;
}
