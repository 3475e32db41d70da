// The real window program on its own X server (Xvfb, on a display number the
// server picks itself), driven by xdotool as a user would: the pieces every
// end-to-end test shares.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fixture.h"

namespace kestrel::testing {

// Starts `args` in `dir` with DISPLAY set (unset when `display` is empty),
// output going to `log`.
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& dir, const std::string& display,
                   const std::string& log) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (chdir(dir.c_str()) != 0) _exit(126);
  if (display.empty()) {
    unsetenv("DISPLAY");
  } else {
    setenv("DISPLAY", display.c_str(), 1);
  }
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (out >= 0) {
    dup2(out, 1);
    dup2(out, 2);
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// The exit code, or -1 (after killing it) when it has not ended in time.
inline int WaitExit(pid_t pid, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts clients.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 20000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      if (WaitExit(pid_, 10) == -1) kill(pid_, SIGKILL);
    }
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Where a window lies on the screen; without a window manager this is its
// client area.
struct WindowGeometry {
  int left = -1, top = -1, width = -1, height = -1;
};

// The world-to-pixel mapping of the plot right after the program fitted the
// polygons' extents into it (zoom all): the plot lies at (28, 2) in the
// client area, (width - 30) rounded down to a multiple of 4 wide and
// height - 30 high, and the extents fill 95% of it along their tighter
// direction, centred.
struct FittedPlot {
  double scale = 1, originX = 0, originY = 0;
  int screenLeft = 0, screenTop = 0;  // the plot's top left pixel on the screen

  FittedPlot(const WindowGeometry& g, double xmin, double xmax, double ymin, double ymax) {
    const int width = (g.width - 30) / 4 * 4, height = g.height - 30;
    const double sx = (xmax - xmin) / width, sy = (ymax - ymin) / height;
    scale = (sx > sy ? sx : sy) / 0.95;
    originX = (xmax + xmin - width * scale) * 0.5;
    originY = (ymax + ymin + height * scale) * 0.5;
    screenLeft = g.left + 28;
    screenTop = g.top + 2;
  }
  // Screen pixels of the world point (x, y).
  int ScreenX(double x) const { return screenLeft + static_cast<int>(std::lround((x - originX) / scale)); }
  int ScreenY(double y) const { return screenTop + static_cast<int>(std::lround((originY - y) / scale)); }
};

class WindowProgram : public ::testing::Test {
 protected:
  XServer x;
  TempDir dir;

  void SetUp() override { ASSERT_FALSE(x.display().empty()) << "Xvfb did not start"; }

  // A test that stopped early leaves nothing running behind it.
  void TearDown() override {
    for (const pid_t pid : started_) {
      if (waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  }

  static std::string Example(const std::string& name) { return std::string(KESTREL_EXAMPLES_DIR) + "/" + name; }

  // Starts `args` on the test's display, or on `display` when one is given
  // ("" for none at all).
  pid_t Start(const std::vector<std::string>& args, const char* display = nullptr) {
    const pid_t pid = Spawn(args, dir.path(), display ? display : x.display(), dir.File("log"));
    started_.push_back(pid);
    return pid;
  }

  // Runs xdotool with the arguments; returns its exit code.
  int Tool(std::vector<std::string> args, int seconds = 30) {
    args.insert(args.begin(), "xdotool");
    return WaitExit(Start(args), seconds);
  }

  // Runs xdotool and returns what it printed; empty when it failed.
  std::string ToolOutput(std::vector<std::string> args, int seconds = 30) {
    args.insert(args.begin(), "xdotool");
    const std::string out = dir.File("xdotool.out");
    std::remove(out.c_str());
    const pid_t pid = Spawn(args, dir.path(), x.display(), out);
    started_.push_back(pid);
    if (WaitExit(pid, seconds) != 0) return "";
    return TempDir::Read(out);
  }

  // Waits until a visible window whose title matches `pattern` exists and
  // returns the first one's id (empty after the timeout).
  std::string WaitForWindow(const std::string& pattern) {
    const std::string ids = ToolOutput({"search", "--sync", "--onlyvisible", "--name", pattern});
    return ids.substr(0, ids.find('\n'));
  }

  // The main window, found and given the keyboard.
  std::string MainWindow() {
    const std::string window = WaitForWindow("^Kestrel");
    if (!window.empty()) {
      EXPECT_EQ(Tool({"windowfocus", "--sync", window}), 0) << Log();
    }
    return window;
  }

  WindowGeometry Geometry(const std::string& window) {
    const std::string g = ToolOutput({"getwindowgeometry", "--shell", window});
    WindowGeometry result;
    auto value = [&g](const char* key) {
      const size_t at = g.find(std::string("\n") + key + "=");
      return at == std::string::npos ? -1 : std::atoi(g.c_str() + at + std::string(key).size() + 2);
    };
    result.left = value("X");
    result.top = value("Y");
    result.width = value("WIDTH");
    result.height = value("HEIGHT");
    return result;
  }

  // A left-button drag from one screen pixel to another, as a hand makes it:
  // press, move on the way, move to the end, let go.
  void LeftDrag(int x1, int y1, int x2, int y2) {
    auto at = [](int v) { return std::to_string(v); };
    EXPECT_EQ(Tool({"mousemove", at(x1), at(y1)}), 0);
    EXPECT_EQ(Tool({"mousedown", "1"}), 0);
    EXPECT_EQ(Tool({"mousemove", at((x1 + x2) / 2), at((y1 + y2) / 2)}), 0);
    EXPECT_EQ(Tool({"mousemove", at(x2), at(y2)}), 0);
    EXPECT_EQ(Tool({"mouseup", "1"}), 0);
  }

  // Waits until `name` exists in the working folder.
  bool WaitForFile(const std::string& name, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    struct stat st;
    while (stat(dir.File(name).c_str(), &st) != 0) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  std::string Log() { return TempDir::Read(dir.File("log")); }

 private:
  std::vector<pid_t> started_;
};

}  // namespace kestrel::testing
