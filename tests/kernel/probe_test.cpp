// Kernel assertions stop the kernel loudly: the probe program prints where the assertion fired
// and halts (it stays alive without exiting), and a stack overflow never goes unnoticed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

struct Probe {
  pid_t pid = -1;
  int err_fd = -1;
  std::string err;
  std::string out;
  int out_fd = -1;

  explicit Probe(const char* mode, const char* extra = nullptr) {
    int err_pipe[2], out_pipe[2];
    EXPECT_EQ(pipe(err_pipe), 0);
    EXPECT_EQ(pipe(out_pipe), 0);
    pid = fork();
    if (pid == 0) {
      dup2(err_pipe[1], 2);
      dup2(out_pipe[1], 1);
      unsetenv("PROBE_RESTARTED");
      execl(KERNEL_PROBE, KERNEL_PROBE, mode, extra, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(err_pipe[1]);
    close(out_pipe[1]);
    err_fd = err_pipe[0];
    out_fd = out_pipe[0];
  }
  ~Probe() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    close(err_fd);
    close(out_fd);
  }
  // Reads standard error until `text` appears or the probe closes it.
  bool wait_for_stderr(const std::string& text) {
    char buf[512];
    while (err.find(text) == std::string::npos) {
      ssize_t n = read(err_fd, buf, sizeof buf);
      if (n <= 0) return false;
      err.append(buf, static_cast<std::size_t>(n));
    }
    return true;
  }
  // Exit status once the probe has ended on its own, or -1 while it is still alive.
  int status_now() {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid ? (pid = -1, status) : -1;
  }
};

TEST(KernelAssertion, TaskCallOutsideAHandlerHaltsWithItsLocation) {
  for (const char* mode : {"no-task", "canary"}) {
    SCOPED_TRACE(mode);
    Probe probe(mode);
    ASSERT_TRUE(probe.wait_for_stderr("\n")) << probe.err;
    EXPECT_NE(probe.err.find("kernel assertion: "), std::string::npos) << probe.err;
    EXPECT_NE(probe.err.find(std::string(mode) == "canary" ? "thread stack overflow" : "no current task"),
              std::string::npos) << probe.err;
    EXPECT_NE(probe.err.find(".cpp:"), std::string::npos) << probe.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(probe.status_now(), -1) << "a halted kernel does not exit";
  }
}

TEST(KernelAssertion, OverflowIntoTheGuardPageKillsTheProcess) {
  Probe probe("guard");
  char buf[256];
  ssize_t n;
  while ((n = read(probe.out_fd, buf, sizeof buf)) > 0) probe.out.append(buf, static_cast<std::size_t>(n));
  int status = -1;
  for (int i = 0; i < 1000 && status == -1; ++i) {
    status = probe.status_now();
    if (status == -1) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(status, -1);
  EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0)) << status;
  EXPECT_EQ(probe.out.find("survived"), std::string::npos);
}

TEST(Restart, StartsTheOwnExecutableAgainWithTheSameArguments) {
  Probe probe("reset", "--sim-dongle=x y");
  char buf[256];
  ssize_t n;
  while ((n = read(probe.out_fd, buf, sizeof buf)) > 0) probe.out.append(buf, static_cast<std::size_t>(n));
  EXPECT_EQ(probe.out, "probe reset --sim-dongle=x y\n");
  int status = -1;
  ASSERT_EQ(waitpid(probe.pid, &status, 0), probe.pid);
  probe.pid = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
