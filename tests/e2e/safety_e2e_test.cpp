// The real window by keys and mouse: under a German desktop locale the
// polygon file reads and saves with decimal points, and a point selected
// before an Undo that shortened its polygon never sends Delete outside it;
// Cancel of an error box keeps the unsaved polygons in a recovery file.
#include <cstdlib>
#include <string>

#include "decimal_comma.h"
#include "xsession.h"

namespace kestrel::testing {
namespace {

// The environment a German desktop gives the programs started from it.
class GermanDesktop {
 public:
  GermanDesktop() {
    setenv("LC_ALL", kDecimalCommaLocale, 1);
    const std::string path = DecimalCommaLocalePath();
    if (!path.empty()) setenv("LOCPATH", path.c_str(), 1);
  }
  ~GermanDesktop() {
    unsetenv("LC_ALL");
    unsetenv("LOCPATH");
  }
  GermanDesktop(const GermanDesktop&) = delete;
  GermanDesktop& operator=(const GermanDesktop&) = delete;
};

const char* const kRectangleA = "POLY a\n0.5 0.25 1.5\n10.5 0.25 1.5\n10.5 5.25 1.5\n0.5 5.25 1.5\n0.5 0.25 1.5\nEND\n";
const char* const kRectangleB = "POLY b\n20.5 0.25 0\n30.5 0.25 0\n30.5 5.25 0\n20.5 5.25 0\n20.5 0.25 0\nEND\n";

TEST_F(WindowProgram, ReSpaceSelectUndoDeleteUnderAGermanLocale) {
  const std::string file = dir.File("two.p2d");
  TempDir::Write(file, std::string(kRectangleA) + kRectangleB);
  GermanDesktop german;
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, file});
  const std::string window = MainWindow();
  ASSERT_FALSE(window.empty()) << Log();
  ASSERT_TRUE(WaitForFile("CELL.P2D")) << "both rectangles were read and gridded\n" << Log();

  // Select rectangle a by a rubber band across its west side.
  const FittedPlot plot(Geometry(window), 0.5, 30.5, 0.25, 5.25);
  LeftDrag(plot.ScreenX(0), plot.ScreenY(3), plot.ScreenX(1.5), plot.ScreenY(2));
  ASSERT_GT(plot.ScreenX(0), plot.screenLeft) << "the rectangle starts inside the plot";

  // Re-space it at 1 (31 stored points), select its last point, take the
  // re-spacing back: that point is gone, so Delete must do nothing.
  EXPECT_EQ(Tool({"key", "alt+e"}), 0);
  const std::string spacing = WaitForWindow("^Space Polygon Points$");
  ASSERT_FALSE(spacing.empty()) << Log();
  EXPECT_EQ(Tool({"windowfocus", "--sync", spacing}), 0);
  EXPECT_EQ(Tool({"type", "1"}), 0);
  EXPECT_EQ(Tool({"key", "Return"}), 0);
  for (int k = 0; k < 100 && !ToolOutput({"search", "--onlyvisible", "--name", "^Space Polygon Points$"}).empty();
       ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_FALSE(MainWindow().empty());
  for (const char* key : {"alt+l", "alt+BackSpace", "Delete", "alt+f", "Delete"}) {
    EXPECT_EQ(Tool({"key", key}), 0) << key;
  }

  // Point 0 of the closed rectangle went: it is cut open there.
  EXPECT_EQ(Tool({"key", "alt+F4"}), 0);
  EXPECT_FALSE(WaitForWindow("^changes not saved!$").empty()) << Log();
  EXPECT_EQ(Tool({"key", "y"}), 0);
  ASSERT_EQ(WaitExit(kestrel, 30), 0) << Log();
  EXPECT_EQ(TempDir::Read(file),
            std::string("POLY a\n10.5 0.25 1.5\n10.5 5.25 1.5\n0.5 5.25 1.5\nEND\n") + kRectangleB);
}

// Delete the last two points of a line, so that the two left share a y: the
// box that says the extents are degenerate offers Cancel, and Cancel writes
// the unsaved polygon to the recovery file before the program ends.
TEST_F(WindowProgram, CancelOfAnErrorBoxKeepsTheUnsavedPolygons) {
  const std::string file = dir.File("line.p2d");
  TempDir::Write(file, "POLY a\n0 0 0\n10 0 0\n5 8 0\n5 4 0\nEND\n");
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, file});
  const std::string window = MainWindow();
  ASSERT_FALSE(window.empty()) << Log();
  const FittedPlot plot(Geometry(window), 0, 10, 0, 8);
  LeftDrag(plot.ScreenX(-0.5), plot.ScreenY(2), plot.ScreenX(2), plot.ScreenY(-0.1));
  for (const char* key : {"alt+l", "Delete", "Delete"}) EXPECT_EQ(Tool({"key", key}), 0) << key;
  const std::string box = WaitForWindow("^non-fatal error code");
  ASSERT_FALSE(box.empty()) << Log();
  EXPECT_EQ(Tool({"windowfocus", "--sync", box}), 0);
  EXPECT_EQ(Tool({"key", "Escape"}), 0);
  ASSERT_EQ(WaitExit(kestrel, 30), 0) << Log();
  EXPECT_EQ(TempDir::Read(dir.File("line-recovered.p2d")), "LINE a\n0 0 0\n10 0 0\nEND\n");
  EXPECT_EQ(TempDir::Read(file), "POLY a\n0 0 0\n10 0 0\n5 8 0\n5 4 0\nEND\n");
}

}  // namespace
}  // namespace kestrel::testing
