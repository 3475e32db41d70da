// The real window program on its own X server (Xvfb, on a display number the
// server picks itself), driven by xdotool as a user would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fixture.h"

namespace kestrel::testing {
namespace {

// Starts `args` in `dir` with DISPLAY set, output going to `log`.
pid_t Spawn(const std::vector<std::string>& args, const std::string& dir, const std::string& display,
            const std::string& log) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (chdir(dir.c_str()) != 0) _exit(126);
  setenv("DISPLAY", display.c_str(), 1);
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
int WaitExit(pid_t pid, int seconds) {
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
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

class WindowProgram : public ::testing::Test {
 protected:
  XServer x;
  TempDir dir;
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";

  void SetUp() override { ASSERT_FALSE(x.display().empty()) << "Xvfb did not start"; }

  pid_t Start(const std::vector<std::string>& args) { return Spawn(args, dir.path(), x.display(), dir.File("log")); }

  // Runs xdotool with the arguments; returns its exit code.
  int Tool(std::vector<std::string> args, int seconds = 30) {
    args.insert(args.begin(), "xdotool");
    return WaitExit(Start(args), seconds);
  }

  std::string Log() { return TempDir::Read(dir.File("log")); }
};

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(s[at + k]);
  return v;
}

TEST_F(WindowProgram, CapturesItsWindowAndEndsWithoutAPrompt) {
  const int code = WaitExit(Start({KESTREL_WINDOW_PROGRAM, example, "capture"}), 60);
  ASSERT_EQ(code, 0) << Log();
  const std::string f = TempDir::Read(dir.File("Kestrel.bmp"));
  ASSERT_GE(f.size(), 54u);
  EXPECT_EQ(f.substr(0, 2), "BM");
  const uint32_t w = Le32(f, 18), h = Le32(f, 22);
  EXPECT_GE(w, 800u);
  EXPECT_GE(h, 600u);
  const size_t stride = (3 * w + 3) / 4 * 4;
  EXPECT_EQ(f.size(), 54 + h * stride);
  EXPECT_EQ(Le32(f, 2), f.size());
  EXPECT_EQ(Le32(f, 10), 54u);
  EXPECT_EQ(Le32(f, 14), 40u);
  EXPECT_EQ(f[28], 24);
  EXPECT_EQ(Le32(f, 34), h * stride);
  auto pixel = [&](size_t storedRow, size_t x) {
    const size_t at = 54 + storedRow * stride + 3 * x;
    return (static_cast<uint8_t>(f[at + 2]) << 16) | (static_cast<uint8_t>(f[at + 1]) << 8) |
           static_cast<uint8_t>(f[at]);
  };
  // Window row 10 is in the black plot, row h - 5 in the grey status line
  // below its text (which is clipped 4 pixels above the window's bottom);
  // stored bottom first, they come at the far ends of the file.
  EXPECT_EQ(pixel(h - 1 - 10, w / 2), 0x000000);
  EXPECT_EQ(pixel(4, w / 2), 0xC0C0C0);
}

TEST_F(WindowProgram, StartedAloneItOpensTheOpenDialog) {
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM});
  EXPECT_EQ(Tool({"search", "--sync", "--onlyvisible", "--name", "^select input file$"}), 0) << Log();
  kill(kestrel, SIGTERM);
  WaitExit(kestrel, 10);
}

TEST_F(WindowProgram, AltF4EndsTheProgram) {
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, example});
  const std::string ids = dir.File("ids");
  const pid_t search =
      Spawn({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Kestrel"}, dir.path(), x.display(), ids);
  ASSERT_EQ(WaitExit(search, 30), 0) << Log();
  const std::string window = TempDir::Read(ids).substr(0, TempDir::Read(ids).find('\n'));
  ASSERT_FALSE(window.empty());
  EXPECT_EQ(Tool({"windowfocus", "--sync", window}), 0) << Log();
  EXPECT_EQ(Tool({"key", "alt+F4"}), 0) << Log();
  EXPECT_EQ(WaitExit(kestrel, 30), 0) << "no unsaved changes, so no prompt\n" << Log();
}

// The points of a polygon file, in file order.
std::vector<std::pair<double, double>> FilePoints(const std::string& text) {
  std::vector<std::pair<double, double>> points;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    double x, y, z;
    if (std::sscanf(line.c_str(), "%lf %lf %lf", &x, &y, &z) == 3) points.emplace_back(x, y);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return points;
}

TEST_F(WindowProgram, ACtrlDragThatEndsOutsideTheWindowMovesTheSelectedPolygons) {
  const std::string file = dir.File("channel.p2d");
  TempDir::Write(file, TempDir::Read(example));
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, file});
  const std::string ids = dir.File("ids");
  ASSERT_EQ(WaitExit(Spawn({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Kestrel"}, dir.path(),
                           x.display(), ids),
                     30),
            0)
      << Log();
  const std::string window = TempDir::Read(ids).substr(0, TempDir::Read(ids).find('\n'));
  const std::string geometry = dir.File("geometry");
  ASSERT_EQ(WaitExit(Spawn({"xdotool", "getwindowgeometry", "--shell", window}, dir.path(), x.display(), geometry), 30),
            0);
  int left = -1, top = -1;
  for (const char* key : {"X=", "Y="}) {
    const std::string g = TempDir::Read(geometry);
    const size_t at = g.find(std::string("\n") + key);
    ASSERT_NE(at, std::string::npos) << g;
    (key[0] == 'X' ? left : top) = std::atoi(g.c_str() + at + 3);
  }
  ASSERT_GE(left, 40) << "room to the left of the window";

  // The plot starts at (28, 2) in the window. Press in its middle, drag to
  // 60 pixels left of the plot (outside the window) and 40 down, let go there.
  const int plotX = left + 28, plotY = top + 2;
  auto at = [](int v) { return std::to_string(v); };
  EXPECT_EQ(Tool({"windowfocus", "--sync", window}), 0) << Log();
  EXPECT_EQ(Tool({"key", "ctrl+a"}), 0);
  EXPECT_EQ(Tool({"mousemove", at(plotX + 384), at(plotY + 285)}), 0);
  EXPECT_EQ(Tool({"keydown", "ctrl"}), 0);
  EXPECT_EQ(Tool({"mousedown", "1"}), 0);
  EXPECT_EQ(Tool({"mousemove", at(plotX + 200), at(plotY + 300)}), 0);
  EXPECT_EQ(Tool({"mousemove", at(plotX - 60), at(plotY + 325)}), 0);
  EXPECT_EQ(Tool({"mouseup", "1"}), 0);
  EXPECT_EQ(Tool({"keyup", "ctrl"}), 0);

  // Moved polygons are unsaved changes: exit asks, and Yes saves them.
  EXPECT_EQ(Tool({"key", "alt+F4"}), 0);
  EXPECT_EQ(Tool({"search", "--sync", "--onlyvisible", "--name", "^changes not saved!$"}), 0) << Log();
  EXPECT_EQ(Tool({"key", "y"}), 0);
  ASSERT_EQ(WaitExit(kestrel, 30), 0) << Log();

  // The view fits the extents 0..200 by 0..20 into the 768 x 570 plot.
  const double scale = (200.0 / 768) / 0.95;
  const double dx = -444 * scale, dy = -40 * scale;
  const auto before = FilePoints(TempDir::Read(example));
  const auto after = FilePoints(TempDir::Read(file));
  ASSERT_EQ(after.size(), before.size()) << TempDir::Read(file);
  for (size_t k = 0; k < before.size(); ++k) {
    EXPECT_NEAR(after[k].first, before[k].first + dx, 1e-5) << k;
    EXPECT_NEAR(after[k].second, before[k].second + dy, 1e-5) << k;
  }
}

}  // namespace
}  // namespace kestrel::testing
