// Environment figures: process round trip (create, start, exit, waitpid) next to a host
// fork+exec+wait of /bin/true, bytes per second through a pipe between two processes, and
// in-memory file throughput. Prints one line per figure.
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "kernel/kernel.h"
#include "linux/exec.h"
#include "linux/fd.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double host_spawn_seconds(int runs) {
  auto start = Clock::now();
  for (int i = 0; i < runs; ++i) {
    pid_t pid;
    char arg0[] = "true";
    char* argv[] = {arg0, nullptr};
    if (posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
  }
  return since(start) / runs;
}

void bench_processes() {
  constexpr int runs = 5000;
  auto start = Clock::now();
  for (int i = 0; i < runs; ++i) {
    kiv_linux_process_t* child = kiv_linux_process_create(0);
    child->main = [](int, char**) { return 0; };
    kiv_linux_process_start(child);
    posix::waitpid(child->pid, nullptr, 0);
  }
  double ours = since(start) / runs;
  double host = host_spawn_seconds(200);
  std::printf("process create+start+exit+waitpid: %.0f /s (%.1f us); host fork+exec+wait /bin/true: %.0f us; ratio %.0fx (goal >= 20x)\n",
              1 / ours, ours * 1e6, host * 1e6, host / ours);
}

constexpr int chunk = 64 * 1024;
constexpr int chunks = 2000;

void bench_pipe() {
  int fds[2];
  posix::pipe(fds);
  kiv_linux_process_t* writer = kiv_linux_process_create(0);
  kiv_linux_fd_create(writer, nullptr, &kiv_linux_pipe_tx_op, 1, kiv_linux_fd_get(fds[1])->priv);
  posix::close(fds[1]);
  writer->main = [](int, char**) {
    static std::vector<char> data(chunk, 'x');
    for (int i = 0; i < chunks; ++i) {
      posix::write(1, data.data(), chunk);
      if (i % 8 == 7) kiv_thread_yield();  // let the reader keep up
    }
    return 0;
  };
  auto start = Clock::now();
  kiv_linux_process_start(writer);
  std::vector<char> buf(chunk);
  long long total = 0;
  int n;
  while ((n = posix::read(fds[0], buf.data(), chunk)) > 0) total += n;
  double s = since(start);
  posix::waitpid(writer->pid, nullptr, 0);
  posix::close(fds[0]);
  std::printf("pipe between two processes (64 KiB writes): %.0f MB/s (%lld bytes)\n", total / s / 1e6, total);
}

void bench_memfile() {
  std::vector<char> data(chunk, 'y');
  int fd = posix::open("/bench.bin", KIV_O_CREAT | KIV_O_RDWR);
  auto start = Clock::now();
  for (int i = 0; i < 256; ++i) posix::write(fd, data.data(), chunk);
  double w = since(start);
  posix::lseek(fd, 0, 0);
  start = Clock::now();
  while (posix::read(fd, data.data(), chunk) > 0) {
  }
  double r = since(start);
  posix::close(fd);
  posix::unlink("/bench.bin");
  double mb = 256.0 * chunk / 1e6;
  std::printf("in-memory file, 16 MiB in 64 KiB calls: write %.0f MB/s, read %.0f MB/s\n", mb / w, mb / r);
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
      bench_processes();
      bench_pipe();
      bench_memfile();
      done = true;
      return 0;
    };
    kiv_linux_process_start(p);
    while (!done) kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
    kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
  });
  return 0;
}
