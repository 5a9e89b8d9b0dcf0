// Descriptors, file operations, device files, pipes and the console, on the real kernel.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "linux/libc/getopt.h"
#include "linux/stdio.h"
#include "tests/linux/env_harness.h"

namespace {

using kvtest::run_in_environment;
using kvtest::yield_until;
namespace px = posix;

std::string read_fd(int fd) {
  std::string out;
  char buf[16];
  int n;
  while ((n = px::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

int write_str(int fd, const std::string& s) { return px::write(fd, s.data(), static_cast<int>(s.size())); }

TEST(Fd, NumbersAreTheLowestFreeAfterTheConsole) {
  run_in_environment([] {
    int fd = px::creat("/t1", 0);
    ASSERT_EQ(fd, 3);
    px::close(fd);
    int a = px::open("/t1", KIV_O_RDWR), b = px::open("/t1", KIV_O_RDWR);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 4);
    px::close(a);
    EXPECT_EQ(px::open("/t1", 0), 3);
    px::close(3);
    px::close(b);
    EXPECT_EQ(px::close(b), -1);
    px::unlink("/t1");
  });
}

TEST(Fd, OpenFlags) {
  run_in_environment([] {
    int fd = px::open("/t2/b/c", KIV_O_CREAT | KIV_O_RDWR);
    ASSERT_GE(fd, 0);
    struct px::stat st;
    ASSERT_EQ(px::stat("/t2/b", &st), 0);
    EXPECT_EQ(st.st_mode, KIV_S_IFDIR | 0777);
    EXPECT_EQ(write_str(fd, "data"), 4);
    px::close(fd);

    px::errno_ref() = 0;
    EXPECT_EQ(px::open("/t2/b/c", KIV_O_CREAT | KIV_O_EXCL), -1);
    EXPECT_EQ(px::errno_ref(), KIV_EEXIST);
    EXPECT_EQ(px::open("/t2/b/c", KIV_O_NONBLOCK), -1);
    px::errno_ref() = 0;
    EXPECT_EQ(px::open("/t2/none", 0), -1);
    EXPECT_EQ(px::errno_ref(), KIV_ENOENT);
    EXPECT_EQ(px::open("/t2/b/c", KIV_O_DIRECTORY), -1);
    EXPECT_EQ(px::errno_ref(), KIV_ENOTDIR);

    int excl = px::open("/t2/b/c", KIV_O_EXCL | KIV_O_RDWR);
    ASSERT_GE(excl, 0);
    EXPECT_EQ(px::open("/t2/b/c", 0), -1) << "locked while the exclusive open lasts";
    px::close(excl);
    int ro = px::open("/t2/b/c", KIV_O_RDONLY);
    EXPECT_EQ(read_fd(ro), "data");
    char c;
    EXPECT_EQ(px::read(ro, &c, 1), 0);
    px::close(ro);
    int wo = px::open("/t2/b/c", KIV_O_WRONLY | KIV_O_APPEND);
    EXPECT_EQ(px::read(wo, &c, 1), -1);
    EXPECT_EQ(write_str(wo, "+more"), 5);
    px::close(wo);
    int tr = px::open("/t2/b/c", KIV_O_RDWR | KIV_O_TRUNC);
    EXPECT_EQ(px::lseek(tr, 0, 2), 0);
    px::close(tr);
  });
}

TEST(Fd, PathResolution) {
  struct Case {
    const char* base;
    const char* path;
    int result;
    const char* out;
  };
  for (Case c : {Case{"/mnt/", "x/../y", 0, "/mnt/y"}, Case{"/", "/..", -2, ""}, Case{"/", "a/./b", 0, "/a/b"},
                 Case{"/a", "b/.", 0, "/a/b"}, Case{"/a/b/", "../..", 0, ""}, Case{"/", "/x", 0, "/x"}}) {
    char out[KIV_LINUX_PATH_MAX];
    EXPECT_EQ(kiv_linux_generate_path(out, sizeof out, c.base, c.path), c.result) << c.path;
    if (c.result == 0) {
      EXPECT_STREQ(out, c.out) << c.path;
    }
  }
  std::string long_path(300, 'x');
  char out[KIV_LINUX_PATH_MAX];
  EXPECT_EQ(kiv_linux_generate_path(out, sizeof out, "/", long_path.c_str()), -12);
  EXPECT_EQ(kiv_linux_generate_path(out, sizeof out, "/", ("/" + long_path).c_str()), -12);
}

TEST(Fd, DeviceFilesAndStat) {
  run_in_environment([] {
    struct px::stat st{};
    ASSERT_EQ(px::stat("/dev/null", &st), 0);
    EXPECT_EQ(st.st_mode, KIV_S_IFREG | 0777);
    EXPECT_EQ(st.st_size, 0u);
    int terminfo = px::open("/usr/share/terminfo/v/vt100", 0);
    std::string description = read_fd(terminfo);
    px::close(terminfo);
    ASSERT_EQ(description.size(), 1190u);
    EXPECT_EQ(description.substr(0, 2), "\x1a\x01");
    EXPECT_EQ(px::stat("/dev/none", &st), -1);
    int zero = px::open("/dev/zero", 0);
    std::vector<char> buf(100, 'x');
    EXPECT_EQ(px::read(zero, buf.data(), 100), 100);
    EXPECT_EQ(buf, std::vector<char>(100, 0));
    px::close(zero);
    int null = px::open("/dev/null", KIV_O_RDWR);
    EXPECT_EQ(write_str(null, "gone"), 4);
    EXPECT_EQ(px::read(null, buf.data(), 1), -1);
    px::close(null);
  });
}

TEST(Fd, DirectoriesRenameAndUnlink) {
  run_in_environment([] {
    ASSERT_EQ(px::mkdir("/t3", 0), 0);
    EXPECT_EQ(px::mkdir("/t3", 0), -1);
    for (const char* name : {"/t3/one", "/t3/two"}) {
      int fd = px::creat(name, 0);
      write_str(fd, name);
      px::close(fd);
    }
    EXPECT_EQ(px::rename("/t3/one", "/t3/two"), 0) << "replaces an existing name nobody has open";
    int fd = px::open("/t3/two", 0);
    EXPECT_EQ(read_fd(fd), "/t3/one");
    EXPECT_EQ(px::rename("/t3/two", "/t3/three"), -1) << "open elsewhere";
    px::close(fd);
    px::DIR* dir = px::opendir("/t3");
    ASSERT_NE(dir, nullptr);
    std::vector<std::string> names;
    while (px::dirent* e = px::readdir(dir)) names.push_back(e->d_name);
    px::closedir(dir);
    EXPECT_EQ(names, std::vector<std::string>{"two"});
    EXPECT_EQ(px::opendir("/t3/two"), nullptr);
    EXPECT_EQ(px::unlink("/t3/two"), 0);
    EXPECT_EQ(px::unlink("/t3/two"), -1);
    char cwd[8];
    EXPECT_EQ(kiv_linux_chdir(kiv_linux_get_cur_process(), "/t3"), 0);
    EXPECT_STREQ(px::getcwd(cwd, sizeof cwd), "/t3/");
    EXPECT_EQ(px::getcwd(cwd, 3), nullptr);
    EXPECT_EQ(px::errno_ref(), KIV_ERANGE);
    EXPECT_EQ(kiv_linux_chdir(kiv_linux_get_cur_process(), "/dev/null"), -1);
  });
}

// ---- pipes between processes --------------------------------------------------------------------

TEST(Pipe, ReaderGetsWhatWasWrittenThenEndOfDataForGood) {
  run_in_environment([] {
    int fds[2];
    ASSERT_EQ(px::pipe(fds), 0);
    static int write_end;
    write_end = fds[1];
    kiv_linux_process_t* writer = kiv_linux_process_create(0);
    ASSERT_NE(writer, nullptr);
    // The child gets the write end as its standard output, as a pipeline would set it up.
    ASSERT_EQ(kiv_linux_fd_create(writer, nullptr, &kiv_linux_pipe_tx_op, 1, kiv_linux_fd_get(fds[1])->priv), 1);
    writer->main = [](int, char**) {
      kiv_thread_sleep(kiv_systimer_ms_to_tick(5));  // the reader blocks meanwhile
      return write_str(1, "abc") == 3 ? 0 : 1;
    };
    px::close(fds[1]);
    kiv_linux_process_start(writer);
    EXPECT_EQ(read_fd(fds[0]), "abc");
    char c;
    EXPECT_EQ(px::read(fds[0], &c, 1), 0);
    px::pollfd p{fds[0], KIV_POLLIN, 0};
    for (int i = 0; i < 2; ++i) EXPECT_EQ(px::poll(&p, 1, 0), 1) << "end of data stays readable";
    int status = -1;
    px::waitpid(writer->pid, &status, 0);
    EXPECT_EQ(status, 0);
    px::close(fds[0]);
    (void)write_end;
  });
}

TEST(Poll, NothingToWatchSleepsForTheTimeOut) {
  run_in_environment([] {
    uint64_t start = kiv_systimer_get_tick();
    EXPECT_EQ(px::poll(nullptr, 0, 50), 0);
    EXPECT_GE(kiv_systimer_get_tick() - start, kiv_systimer_ms_to_tick(50));
    int fds[2];
    px::pipe(fds);
    px::pollfd p[2] = {{fds[0], KIV_POLLIN, 0}, {fds[1], KIV_POLLOUT, 0}};
    EXPECT_EQ(px::poll(p, 2, 0), 1);
    EXPECT_EQ(p[1].revents, KIV_POLLOUT);
    EXPECT_EQ(p[0].revents, 0);
    write_str(fds[1], "x");
    EXPECT_EQ(px::poll(p, 1, -1), 1);
    EXPECT_EQ(px::poll(p, 1, 0), 1) << "unread data stays readable";
    px::close(fds[0]);
    px::close(fds[1]);
  });
}

// ---- console ---------------------------------------------------------------------------------------

TEST(Console, EchoesTypedKeysAndHidesEscapeSequences) {
  run_in_environment([] {
    auto& con = *kvtest::console();
    con.output.text.clear();
    con.type("ab\x08" "c\x1b[A\r");
    char buf[16];
    int n = px::read(0, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(n)), "ab\x08" "c\x1b[A\r");
    EXPECT_EQ(con.printed(), "ab\b \bc\r");
    kiv_linux_termios_t t;
    ASSERT_EQ(px::tcgetattr(0, &t), 0);
    t.c_lflag &= ~0x8u;
    t.c_cc[6] = 0;
    ASSERT_EQ(px::tcsetattr(0, 0, &t), 0);
    EXPECT_EQ(px::read(0, buf, sizeof buf), 0) << "VMIN 0: nothing typed, nothing waits";
    con.type("z");
    EXPECT_EQ(px::read(0, buf, sizeof buf), 1);
    EXPECT_EQ(con.printed(), "ab\b \bc\r") << "no echo once ECHO is cleared";
    EXPECT_EQ(px::tcgetattr(3, &t), -1);
    EXPECT_TRUE(kiv_linux_is_console(1));
  });
}

// ---- children, exec, library storage -------------------------------------------------------------

int show_args(int argc, char** argv) {
  std::string line = std::to_string(argc);
  for (int i = 0; i < argc; ++i) line += std::string(" ") + argv[i];
  write_str(1, line + "\n");
  return 7;
}

TEST(Exec, ReplacesTheProgramOnlyForExecutables) {
  run_in_environment([] {
    ASSERT_EQ(kiv_linux_mkdir_p("/bin"), 0);
    ASSERT_EQ(kiv_linux_fs_bind_target("/bin/show", reinterpret_cast<void*>(show_args), nullptr, nullptr,
                                       KIV_FILE_ATTR_READ | KIV_FILE_ATTR_EXECUTE, 0), 0);
    kiv_linux_fs_bind_target("/bin/plain", nullptr, nullptr, nullptr, KIV_FILE_ATTR_READ, 0);
    kiv_linux_process_t* child = kiv_linux_process_create(0);
    child->main = [](int, char**) {
      if (px::execl("/bin", "bin", nullptr) != -1) return 1;
      if (px::execl("/bin/plain", "plain", nullptr) != -1) return 2;
      px::execl("/bin/show", "show", "x y", nullptr);
      return 3;  // not reached
    };
    kiv_linux_process_start(child);
    int status = 0;
    px::waitpid(child->pid, &status, 0);
    EXPECT_EQ(status, 7 << 8);
    EXPECT_NE(kvtest::console()->printed().find("2 show x y\n"), std::string::npos) << kvtest::console()->printed();
  });
}

TEST(Child, InheritsACopyOfEnvironmentAndDirectoryAndItsOwnGetoptState) {
  run_in_environment([] {
    kiv_linux_process_t* self = kiv_linux_get_cur_process();
    ASSERT_EQ(kiv_linux_env_dup(self, std::vector<char*>{const_cast<char*>("A=1"), nullptr}.data()), 0);
    ASSERT_EQ(kiv_linux_chdir(self, "/dev"), 0);
    px::optind() = 3;
    kiv_linux_process_t* child = kiv_linux_process_create(0);
    ASSERT_EQ(kiv_linux_env_dup(self, std::vector<char*>{const_cast<char*>("A=2"), nullptr}.data()), 0);
    child->main = [](int, char**) {
      kiv_linux_process_t* me = kiv_linux_get_cur_process();
      bool env_ok = px::getenv("A") && std::string(px::getenv("A")) == "1";
      bool cwd_ok = std::string(me->cwd) == "/dev/";
      bool getopt_ok = px::optind() == 1;
      return env_ok && cwd_ok && getopt_ok ? 0 : 1;
    };
    kiv_linux_process_start(child);
    int status = -1;
    px::waitpid(child->pid, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(px::optind(), 3);
    EXPECT_STREQ(px::getenv("A"), "2");
  });
}

}  // namespace
