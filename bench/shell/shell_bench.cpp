// Command lines per second through `system`, next to dash doing the same in the same run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>

#include "kernel/kernel.h"
#include "linux/builtins.h"
#include "linux/shell.h"
#include "linux/startup.h"
#include "linux/stdio.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Seconds per line when each line is handed to a new `dash -c`, as a host system() would.
double dash_seconds(const char* line, int runs) {
  char dash[] = "dash", c[] = "-c";
  char* argv[] = {dash, c, const_cast<char*>(line), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  auto start = Clock::now();
  for (int i = 0; i < runs; ++i) {
    pid_t pid;
    if (posix_spawnp(&pid, "dash", &quiet, nullptr, argv, environ) != 0) return -1;
    waitpid(pid, nullptr, 0);
  }
  posix_spawn_file_actions_destroy(&quiet);
  return since(start) / runs;
}

void measure(const char* label, const char* line, const char* dash_line) {
  constexpr int runs = 20000;
  auto start = Clock::now();
  for (int i = 0; i < runs; ++i) posix::system(line);
  double ours = since(start) / runs;
  double dash = dash_seconds(dash_line, 300);
  std::fprintf(stderr, "%s: %.0f lines/s (%.1f us); dash: %.1f us; ratio %.0fx (goal >= 10x)\n", label, 1 / ours,
               ours * 1e6, dash * 1e6, dash / ours);
}

bool done = false;

}  // namespace

int main() {
  kiv_kernel_run([](kiv_thread_cb_t*) {
    kiv_fs_init();
    kiv_linux_process_reset_counters();
    kiv_linux_process_t* p = kiv_linux_process_alloc(0);
    p->cwd = kiv_linux_strdup_p(p, "/");
    p->main = [](int, char**) {
      int null = posix::open("/null", KIV_O_CREAT | KIV_O_RDWR);  // standard output of the commands
      posix::fcntl(null, KIV_F_DUPFD, 1);
      kiv_linux_install_builtins();
      posix::setenv("PATH", "/bin", 1);
      measure("system(\"echo x\")", "echo x", "echo x");
      measure("two-command pipeline", "echo x | echo y", "echo x | echo y");
      done = true;
      return 0;
    };
    kiv_linux_process_start(p);
    while (!done) kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
    kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
  });
  return 0;
}
