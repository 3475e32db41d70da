// The window program as a user meets it: batch capture (on a display and
// without one), the open dialog at a bare start, the manual beside the
// window, Alt+F4, and a Ctrl drag that leaves the window.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "xsession.h"

namespace kestrel::testing {
namespace {

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(s[at + k]);
  return v;
}

TEST_F(WindowProgram, CapturesItsWindowAndEndsWithoutAPrompt) {
  const int code = WaitExit(Start({KESTREL_WINDOW_PROGRAM, Example("channel.p2d"), "capture"}), 60);
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

TEST_F(WindowProgram, WithoutADisplayTheCaptureIsTheSameAndTheWindowSaysItNeedsOne) {
  const std::string example = Example("river_bend.p2d");
  ASSERT_EQ(WaitExit(Start({KESTREL_WINDOW_PROGRAM, example, "capture"}), 60), 0) << Log();
  const std::string onScreen = TempDir::Read(dir.File("Kestrel.bmp"));
  std::remove(dir.File("Kestrel.bmp").c_str());
  ASSERT_EQ(WaitExit(Start({KESTREL_WINDOW_PROGRAM, example, "capture"}, ""), 60), 0) << Log();
  const std::string offScreen = TempDir::Read(dir.File("Kestrel.bmp"));
  ASSERT_GT(onScreen.size(), 54u);
  EXPECT_TRUE(offScreen == onScreen) << "sizes " << offScreen.size() << " and " << onScreen.size();

  // The window itself needs a display: none named, or one that does not answer.
  for (const char* display : {"", ":64999"}) {
    std::remove(dir.File("log").c_str());
    EXPECT_EQ(WaitExit(Start({KESTREL_WINDOW_PROGRAM, example}, display), 30), 1) << Log();
    EXPECT_NE(Log().find("kestrel: the window needs a display"), std::string::npos) << Log();
    EXPECT_NE(Log().find("kestrel-grid"), std::string::npos) << Log();
  }
}

TEST_F(WindowProgram, StartedAloneItOpensTheOpenDialog) {
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM});
  EXPECT_EQ(Tool({"search", "--sync", "--onlyvisible", "--name", "^select input file$"}), 0) << Log();
  kill(kestrel, SIGTERM);
  WaitExit(kestrel, 10);
}

TEST_F(WindowProgram, TheManualOpensBesideTheButtonsAndTheKeysGoOnWorking) {
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, Example("channel.p2d")});
  const std::string window = MainWindow();
  ASSERT_FALSE(window.empty()) << Log();
  EXPECT_EQ(Tool({"key", "F1"}), 0);
  const std::string manual = WaitForWindow("^Kestrel manual$");
  ASSERT_FALSE(manual.empty()) << Log();
  const WindowGeometry main = Geometry(window), help = Geometry(manual);
  EXPECT_GE(help.left, main.left + 28) << "the tool buttons stay in sight";
  EXPECT_EQ(ToolOutput({"getwindowfocus"}), window + "\n") << "the manual did not take the keyboard";
  // Without a click the keyboard is still the main window's: Alt+K links.
  EXPECT_EQ(Tool({"key", "alt+k"}), 0);
  EXPECT_TRUE(WaitForFile("cell.txt", 30)) << Log();
  EXPECT_EQ(Tool({"key", "alt+F4"}), 0);
  EXPECT_EQ(WaitExit(kestrel, 30), 0) << Log();
}

TEST_F(WindowProgram, AltF4EndsTheProgram) {
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, Example("channel.p2d")});
  ASSERT_FALSE(MainWindow().empty()) << Log();
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
  const std::string example = Example("channel.p2d");
  const std::string file = dir.File("channel.p2d");
  TempDir::Write(file, TempDir::Read(example));
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, file});
  const std::string window = MainWindow();
  ASSERT_FALSE(window.empty()) << Log();
  const WindowGeometry g = Geometry(window);
  const int left = g.left, top = g.top;
  ASSERT_GE(left, 40) << "room to the left of the window";

  // The plot starts at (28, 2) in the window. Press in its middle, drag to
  // 60 pixels left of the plot (outside the window) and 40 down, let go there.
  const int plotX = left + 28, plotY = top + 2;
  auto at = [](int v) { return std::to_string(v); };
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
