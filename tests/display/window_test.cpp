// The demo program in a real X server (Xvfb, started here): the window's title and size, the
// first paint, a click that toggles the button, keys typed into the text area, and the
// picture on screen checked pixel by pixel; closing the window ends the program with status
// 0; without a display the program writes why and keeps running. Every wait is for an event
// (a line of the program's output, a window, a pixel) with a generous upper bound.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gui/misc/lv_color.h"
#include "tests/display/demo_scene.h"

namespace {

using clock_type = std::chrono::steady_clock;
constexpr auto LONG_WAIT = std::chrono::seconds(30);

// Polls `done` every 20 ms until it holds or `limit` has passed.
bool poll_until(const std::function<bool()>& done, clock_type::duration limit = LONG_WAIT) {
  auto end = clock_type::now() + limit;
  while (!done()) {
    if (clock_type::now() > end) return false;
    usleep(20 * 1000);
  }
  return true;
}

// A child process with its standard output and error collected.
struct Child {
  pid_t pid = -1;
  int fds[2] = {-1, -1};  // stdout, stderr
  std::string text[2];
  int status = -1;

  // `extra_fd` becomes descriptor 3 of the child; a quiet child's output goes to /dev/null
  // (nobody reads it, and a full pipe would stop the child). Everything the child needs is
  // prepared before fork: between fork and exec it only moves descriptors (other threads of
  // this process may hold the allocator's lock at the fork).
  Child(const std::vector<std::string>& argv, const std::string& display, int extra_fd = -1, bool quiet = false) {
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e) {
      std::string v = *e;
      if (v.rfind("DISPLAY=", 0) && v.rfind("WAYLAND_DISPLAY=", 0) && v.rfind("SDL_VIDEODRIVER=", 0)) env_text.push_back(v);
    }
    if (!display.empty()) env_text.push_back("DISPLAY=" + display);
    std::vector<char*> envp, args;
    for (auto& v : env_text) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string path = find_program(argv[0]);
    std::vector<std::string> argv_copy = argv;
    for (auto& a : argv_copy) args.push_back(a.data());
    args.push_back(nullptr);
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    int null_fd = quiet ? open("/dev/null", O_WRONLY) : -1;
    pid = fork();
    if (pid == 0) {
      dup2(quiet ? null_fd : out[1], 1);
      dup2(quiet ? null_fd : err[1], 2);
      if (extra_fd >= 0) dup2(extra_fd, 3);
      execve(path.c_str(), args.data(), envp.data());
      _exit(127);
    }
    if (null_fd >= 0) close(null_fd);
    close(out[1]);
    close(err[1]);
    fds[0] = out[0];
    fds[1] = err[0];
  }
  static std::string find_program(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t b = 0, e; b <= dirs.size(); b = e + 1) {
      e = dirs.find(':', b);
      if (e == std::string::npos) e = dirs.size();
      std::string candidate = dirs.substr(b, e - b) + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return name;
  }
  ~Child() {
    if (alive()) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    for (int fd : fds) close(fd);
  }
  bool alive() {
    if (pid <= 0 || status != -1) return false;
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    status = -1;
    return true;
  }
  void pump(int timeout_ms) {
    pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
    if (poll(p, 2, timeout_ms) <= 0) return;
    for (int i = 0; i < 2; ++i) {
      if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = read(fds[i], buf, sizeof buf);
      if (n > 0) text[i].append(buf, static_cast<size_t>(n));
    }
  }
  // Waits until `needle` appears in stdout (stream 0) or stderr (1) after position `from`.
  bool wait_for(int stream, const std::string& needle, size_t from = 0) {
    auto end = clock_type::now() + LONG_WAIT;
    while (text[stream].find(needle, from) == std::string::npos) {
      if (clock_type::now() > end) return false;
      pump(50);
    }
    return true;
  }
  bool wait_exit() {
    return poll_until([&] {
      pump(0);
      return !alive();
    });
  }
};

std::string run(const std::string& command) {
  std::string out;
  if (FILE* f = popen(command.c_str(), "r")) {
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, f)) out.append(buf, n);
    pclose(f);
  }
  return out;
}

// An Xvfb server on a display number it picks itself, stopped at the end.
struct XServer {
  std::string display;
  Child* server = nullptr;
  XServer() {
    int fd[2];
    if (pipe(fd) != 0) return;
    server = new Child({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, ":0", fd[1],
                       true);
    close(fd[1]);
    std::string number;
    pollfd p{fd[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 30000) > 0 && read(fd[0], &c, 1) == 1 && c != '\n') number += c;
    close(fd[0]);
    if (!number.empty()) display = ":" + number;
  }
  ~XServer() { delete server; }
  std::string x(const std::string& command) const { return run("DISPLAY=" + display + " " + command + " 2>&1"); }
};

struct rgb {
  int r, g, b;
};
std::ostream& operator<<(std::ostream& os, const rgb& c) { return os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

// The 24-bit colour an RGB565 pixel becomes on screen.
rgb on_screen(uint32_t rgb888) {
  uint16_t v = lv_color_hex(rgb888).full;
  return {((v >> 11) & 0x1F) * 255 / 31, ((v >> 5) & 0x3F) * 255 / 63, (v & 0x1F) * 255 / 31};
}

bool near(const rgb& a, const rgb& b) { return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2; }

struct Shot {
  int w = 0, h = 0;
  std::vector<unsigned char> px;
  rgb at(int x, int y) const {
    size_t i = (static_cast<size_t>(y) * w + x) * 3;
    return {px[i], px[i + 1], px[i + 2]};
  }
  // Pixels of the box whose brightness is below half: drawn text.
  int dark_pixels(const demo::box& b) const {
    int n = 0;
    for (int y = b.y + 4; y < b.y + 26; ++y)
      for (int x = b.x + 4; x < b.x + b.w - 4; ++x) n += (at(x, y).r + at(x, y).g + at(x, y).b) < 3 * 128;
    return n;
  }
};

Shot screenshot(const XServer& x, const std::string& wid) {
  std::string path = testing::TempDir() + "display_shot.ppm";
  // import now and then waits for an X event that never comes: bound it; the callers retry.
  std::remove(path.c_str());
  x.x("timeout -k 2 10 import -window " + wid + " -depth 8 ppm:" + path);
  Shot s;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> s.w >> s.h >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255) return {};
  s.px.resize(static_cast<size_t>(s.w) * s.h * 3);
  in.read(reinterpret_cast<char*>(s.px.data()), static_cast<std::streamsize>(s.px.size()));
  return s;
}

// Starts the demo on `x` and finds its window by title.
struct DemoWindow {
  Child demo;
  std::string wid;
  explicit DemoWindow(const XServer& x) : demo({DISPLAY_DEMO}, x.display) {
    poll_until([&] {
      demo.pump(0);
      wid = x.x("xdotool search --name '^Korvalen v1.3$'");
      while (!wid.empty() && (wid.back() == '\n' || wid.back() == ' ')) wid.pop_back();
      return !wid.empty() || !demo.alive();
    });
  }
};

TEST(RealWindow, ShowsTheDemoAndTakesClicksAndKeys) {
  XServer x;
  ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
  DemoWindow w(x);
  ASSERT_FALSE(w.wid.empty()) << "no window titled \"Korvalen v1.3\" on " << x.display << "\n"
                              << w.demo.text[0] << w.demo.text[1] << x.x("xdotool search --name Korvalen");
  EXPECT_NE(x.x("xdotool getwindowgeometry " + w.wid).find("Geometry: 900x560"), std::string::npos);
  ASSERT_TRUE(w.demo.wait_for(0, "window painted")) << w.demo.text[0] << w.demo.text[1];

  const int bx = demo::BUTTON.x + 15, by = demo::BUTTON.y + 15;
  // The first paint may come before the GUI loop has drawn the screen: wait for all of it.
  const int tx = demo::TEXTAREA.x + 200, ty = demo::TEXTAREA.y + 15;
  Shot before;
  ASSERT_TRUE(poll_until([&] {
    before = screenshot(x, w.wid);
    return before.w == 900 && near(before.at(bx, by), on_screen(demo::BUTTON_RGB)) &&
           near(before.at(880, 300), on_screen(demo::SCREEN_RGB)) && near(before.at(880, 555), on_screen(demo::SCREEN_RGB)) &&
           near(before.at(tx, ty), on_screen(demo::TEXTAREA_RGB));
  })) << "button " << before.at(bx, by) << ", screen " << before.at(880, 300) << " and " << before.at(880, 555)
      << ", text area " << before.at(tx, ty);
  EXPECT_EQ(before.h, 560);
  EXPECT_EQ(before.dark_pixels(demo::TEXTAREA), 0);

  // A click: the press is seen before the button goes up, as a user's click would be.
  x.x("xdotool mousemove --window " + w.wid + " " + std::to_string(bx) + " " + std::to_string(by) + " mousedown 1");
  ASSERT_TRUE(w.demo.wait_for(0, "button pressed"));
  x.x("xdotool mouseup 1");
  ASSERT_TRUE(w.demo.wait_for(0, "button clicked"));
  Shot clicked;
  EXPECT_TRUE(poll_until([&] {
    clicked = screenshot(x, w.wid);
    return clicked.w == 900 && near(clicked.at(bx, by), on_screen(demo::BUTTON_CHECKED_RGB));
  })) << "button pixel after the click " << clicked.at(bx, by);

  // Keys: each one is held until the text area has taken it.
  x.x("xdotool windowfocus --sync " + w.wid);
  std::string typed;
  for (char c : std::string("korv")) {
    typed += c;
    x.x(std::string("xdotool keydown ") + c);
    ASSERT_TRUE(w.demo.wait_for(0, "text: " + typed + "\n")) << w.demo.text[0];
    x.x(std::string("xdotool keyup ") + c);
  }
  Shot after;
  EXPECT_TRUE(poll_until([&] {
    after = screenshot(x, w.wid);
    return after.w == 900 && after.dark_pixels(demo::TEXTAREA) > 40;
  })) << "dark pixels in the text area: " << after.dark_pixels(demo::TEXTAREA);
  // The text starts at the left of the text area and takes a few tens of pixels.
  demo::box right_half{demo::TEXTAREA.x + 120, demo::TEXTAREA.y, demo::TEXTAREA.w - 120, demo::TEXTAREA.h};
  EXPECT_EQ(after.dark_pixels(right_half), 0);
  EXPECT_TRUE(near(after.at(bx, by), on_screen(demo::BUTTON_CHECKED_RGB)));
  EXPECT_TRUE(near(after.at(880, 300), on_screen(demo::SCREEN_RGB)));
}

TEST(RealWindow, ClosingTheWindowEndsTheProgramWithStatusZero) {
  XServer x;
  ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
  DemoWindow w(x);
  ASSERT_FALSE(w.wid.empty()) << "no window titled \"Korvalen v1.3\" on " << x.display << "\n"
                              << w.demo.text[0] << w.demo.text[1] << x.x("xdotool search --name Korvalen");
  ASSERT_TRUE(w.demo.wait_for(0, "window painted"));
  x.x(std::string(X_CLOSE_WINDOW) + " " + w.wid);
  ASSERT_TRUE(w.demo.wait_exit());
  EXPECT_TRUE(WIFEXITED(w.demo.status));
  EXPECT_EQ(WEXITSTATUS(w.demo.status), 0);
}

TEST(RealWindow, WithoutADisplayTheProgramSaysWhyAndKeepsRunning) {
  Child demo({DISPLAY_DEMO}, "");
  ASSERT_TRUE(demo.wait_for(1, "disp_windgi: no window")) << demo.text[1];
  EXPECT_NE(demo.text[1].find("DISPLAY"), std::string::npos) << demo.text[1];
  size_t seen = demo.text[0].size();
  ASSERT_TRUE(demo.wait_for(0, "alive", seen)) << "no heartbeat after the trace line";
  EXPECT_TRUE(demo.wait_for(0, "alive 10"));
  EXPECT_TRUE(demo.alive());
  EXPECT_EQ(demo.text[0].find("window painted"), std::string::npos);
}

}  // namespace
