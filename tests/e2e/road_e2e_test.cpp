// The road of one piece of work in the real window, by keys and mouse only:
// open an example, link and file it; select, delete, undo, delete again and
// save on the way out.
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "xsession.h"

namespace kestrel::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Lines that do not start with one of the comment marks of `comments`.
std::vector<std::string> DataLines(const std::string& text, const std::string& comments) {
  std::vector<std::string> data;
  for (const std::string& line : Lines(text)) {
    if (!line.empty() && comments.find(line[0]) == std::string::npos) data.push_back(line);
  }
  return data;
}

// The grid counts of EFDC.INP's card C9: the line below its title line.
struct C9 {
  int kc = -1, ic = -1, jc = -1, lc = -1, lvc = -1;
};

C9 ReadC9(const std::string& efdc) {
  const std::vector<std::string> lines = Lines(efdc);
  C9 c;
  for (size_t k = 0; k + 1 < lines.size(); ++k) {
    if (lines[k].rfind("C9 ", 0) == 0 && lines[k].find(" KC ") != std::string::npos) {
      std::istringstream(lines[k + 1]) >> c.kc >> c.ic >> c.jc >> c.lc >> c.lvc;
      break;
    }
  }
  return c;
}

struct ExampleCounts {
  const char* file;
  int ic, jc;  // the cell map with its frame
  int water;   // active cells
};

// Test names and failure messages show the example by its file name.
void PrintTo(const ExampleCounts& e, std::ostream* out) { *out << e.file; }

class RoadInTheWindow : public WindowProgram {
 protected:
  // Opens the example from the command line (it is gridded at once), links
  // it with Alt+K, files it with Alt+I and closes the window; then checks
  // that the files hold the counts the example should give.
  void LinkAndFileByKeys(const ExampleCounts& e) {
    const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, Example(e.file)});
    ASSERT_FALSE(MainWindow().empty()) << Log();
    EXPECT_EQ(Tool({"key", "alt+k"}), 0);
    EXPECT_EQ(Tool({"key", "alt+i"}), 0);
    // QUALITY.TXT comes last; every file is put in place only when complete.
    ASSERT_TRUE(WaitForFile("QUALITY.TXT")) << "step 4 wrote nothing\n" << Log();
    EXPECT_EQ(Tool({"key", "alt+F4"}), 0);
    EXPECT_EQ(WaitExit(kestrel, 30), 0) << "nothing was changed, so no prompt\n" << Log();

    for (const char* name : {"cell.txt", "cell.html", "CELL.P2D", "EFDC.INP", "CELL.INP", "CELLLT.INP", "DXDY.INP",
                             "LXLY.INP", "CORNERS.INP", "SHOW.INP"}) {
      EXPECT_TRUE(WaitForFile(name, 0)) << name;
    }
    const C9 c9 = ReadC9(TempDir::Read(dir.File("EFDC.INP")));
    EXPECT_EQ(c9.kc, 1);
    EXPECT_EQ(c9.ic, e.ic);
    EXPECT_EQ(c9.jc, e.jc);
    EXPECT_EQ(c9.lvc, e.water);
    EXPECT_EQ(c9.lc, e.water + 2);

    const std::string cell = TempDir::Read(dir.File("CELL.INP"));
    EXPECT_EQ(TempDir::Read(dir.File("CELLLT.INP")), cell);
    const std::vector<std::string> rows = DataLines(cell, "C");
    EXPECT_EQ(static_cast<int>(rows.size()), e.jc);
    int water = 0;
    for (const std::string& row : rows) {
      EXPECT_EQ(static_cast<int>(row.size()), 5 + e.ic) << row;
      for (char ch : row.substr(5)) water += ch == '5';
    }
    EXPECT_EQ(water, e.water);
    EXPECT_EQ(static_cast<int>(DataLines(TempDir::Read(dir.File("DXDY.INP")), "C").size()), e.water);
    EXPECT_EQ(static_cast<int>(DataLines(TempDir::Read(dir.File("LXLY.INP")), "C").size()), e.water);
    EXPECT_EQ(static_cast<int>(DataLines(TempDir::Read(dir.File("CORNERS.INP")), "*").size()), e.water);
    EXPECT_NE(TempDir::Read(dir.File("QUALITY.TXT")).find("cells " + std::to_string(e.water) + ","), std::string::npos);
  }
};

// The two reaches of 10 by 4 cells side by side make one map of 20 by 4
// water cells (24 by 8 with the land and the frame around it): the water
// of CELL.INP is four rows of twenty cells in model rows 3 to 6, and every
// one of them is in DXDY.INP once, with the reaches' 10 by 5 cells.
TEST_F(RoadInTheWindow, TheChannelFilesOneMapOfTwentyByFourCells) {
  LinkAndFileByKeys({"channel.p2d", 24, 8, 80});
  if (HasFatalFailure()) return;

  const std::vector<std::string> rows = DataLines(TempDir::Read(dir.File("CELL.INP")), "C");
  ASSERT_EQ(rows.size(), 8u);
  for (size_t k = 0; k < rows.size(); ++k) {
    const int J = 8 - static_cast<int>(k);  // the top row comes first
    const std::string expected = J == 1 || J == 8   ? std::string(24, '0')
                                 : J == 2 || J == 7 ? "09" + std::string(20, '9') + "90"
                                                    : "09" + std::string(20, '5') + "90";
    EXPECT_EQ(rows[k].substr(5), expected) << "J " << J;
  }
  const std::vector<std::string> cells = DataLines(TempDir::Read(dir.File("DXDY.INP")), "C");
  ASSERT_EQ(cells.size(), 80u);
  std::vector<int> seen(24 * 8, 0);
  for (const std::string& line : cells) {
    int I = 0, J = 0;
    double dx = 0, dy = 0;
    std::istringstream(line) >> I >> J >> dx >> dy;
    ASSERT_TRUE(I >= 3 && I <= 22 && J >= 3 && J <= 6) << line;
    ++seen[J * 24 + I];
    EXPECT_NEAR(dx, 10, 0.1) << line;
    EXPECT_NEAR(dy, 5, 0.1) << line;
  }
  for (int I = 3; I <= 22; ++I) {
    for (int J = 3; J <= 6; ++J) EXPECT_EQ(seen[J * 24 + I], 1) << I << " " << J;
  }
}

// The other examples: the same keys give the counts kestrel-grid gives.
class ExampleInTheWindow : public RoadInTheWindow, public ::testing::WithParamInterface<ExampleCounts> {};

TEST_P(ExampleInTheWindow, LinksAndFilesByKeys) { LinkAndFileByKeys(GetParam()); }

const ExampleCounts kExamples[] = {
    {"river_bend.p2d", 84, 12, 640},
    {"harbour.p2d", 24, 14, 188},
    {"channel.dxf", 32, 10, 168},
    {"shoreline.geojson", 28, 9, 120},
};

INSTANTIATE_TEST_SUITE_P(Examples, ExampleInTheWindow, ::testing::ValuesIn(kExamples),
                         [](const ::testing::TestParamInfo<ExampleCounts>& info) {
                           std::string name = info.param.file;
                           for (char& ch : name) {
                             if (ch == '.') ch = '_';
                           }
                           return name;
                         });

// A polygon file's polygons: their names and point counts.
std::vector<std::pair<std::string, int>> FilePolygons(const std::string& text) {
  std::vector<std::pair<std::string, int>> polygons;
  for (const std::string& line : Lines(text)) {
    double x, y;
    if (std::sscanf(line.c_str(), "%lf %lf", &x, &y) == 2) {
      if (!polygons.empty()) ++polygons.back().second;
    } else if (line.rfind("POLY ", 0) == 0) {
      polygons.emplace_back(line.substr(5), 0);
    }
  }
  return polygons;
}

int CountLines(const std::string& text, const std::string& wanted) {
  int n = 0;
  for (const std::string& line : Lines(text)) n += line == wanted;
  return n;
}

// Select the upper reach of the channel with a rubber rectangle over its
// west end, delete it, take that back, delete it again, close the window and
// save when asked: the saved file holds the lower reach alone.
TEST_F(WindowProgram, ARubberBandDeletionUndoneAndRedoneIsSavedOnExit) {
  const std::string file = dir.File("channel.p2d");
  TempDir::Write(file, TempDir::Read(Example("channel.p2d")));
  const pid_t kestrel = Start({KESTREL_WINDOW_PROGRAM, file});
  const std::string window = MainWindow();
  ASSERT_FALSE(window.empty()) << Log();
  // Step 1 of the start-up has written the grid lines of both reaches.
  ASSERT_TRUE(WaitForFile("CELL.P2D")) << Log();
  ASSERT_EQ(CountLines(TempDir::Read(dir.File("CELL.P2D")), "POLY"), 2 * (11 + 5));

  // The channel spans 0..200 by 0..20; the upper reach is the west half. The
  // rectangle from (-4, 24) to (40, -4) holds its two west points and crosses
  // its long sides; the lower reach begins at x = 100.
  const FittedPlot plot(Geometry(window), 0, 200, 0, 20);
  const int x1 = plot.ScreenX(-4), y1 = plot.ScreenY(24), x2 = plot.ScreenX(40), y2 = plot.ScreenY(-4);
  ASSERT_GT(x1, plot.screenLeft) << "the rectangle starts inside the plot";

  LeftDrag(x1, y1, x2, y2);
  EXPECT_EQ(Tool({"key", "alt+d"}), 0);
  EXPECT_EQ(Tool({"key", "alt+BackSpace"}), 0);

  // The upper reach is back: gridding again writes the lines of both reaches.
  std::remove(dir.File("CELL.P2D").c_str());
  EXPECT_EQ(Tool({"key", "alt+g"}), 0);
  ASSERT_TRUE(WaitForFile("CELL.P2D")) << Log();
  EXPECT_EQ(CountLines(TempDir::Read(dir.File("CELL.P2D")), "POLY"), 2 * (11 + 5)) << "the deletion was not undone";

  // Undo left it unselected: select it again (on the grid) and delete it.
  LeftDrag(x1, y1, x2, y2);
  EXPECT_EQ(Tool({"key", "alt+d"}), 0);

  EXPECT_EQ(Tool({"key", "alt+F4"}), 0);
  EXPECT_FALSE(WaitForWindow("^changes not saved!$").empty()) << Log();
  EXPECT_EQ(Tool({"key", "y"}), 0);
  ASSERT_EQ(WaitExit(kestrel, 30), 0) << Log();

  const auto polygons = FilePolygons(TempDir::Read(file));
  ASSERT_EQ(polygons.size(), 1u) << TempDir::Read(file);
  EXPECT_EQ(polygons[0].first, "10by4_lower_reach");
  EXPECT_EQ(polygons[0].second, 5);
}

}  // namespace
}  // namespace kestrel::testing
