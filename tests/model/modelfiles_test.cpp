#include "model/modelfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "fixture.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/deckcheck.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class ModelFilesTest : public KestrelTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;
  PatchBuilder patches;

  void SetUp() override {
    KestrelTest::SetUp();
    folder.emplace(dir.path());
  }
  void TearDown() override {
    folder.reset();
    KestrelTest::TearDown();
  }
  std::vector<std::string> Lines(const char* name) { return SplitLines(TempDir::Read(dir.File(name))); }
  // Links the patches built so far as the LINK command does.
  void Link() {
    patches.Build();
    ASSERT_TRUE(LinkGrids());
    ASSERT_TRUE(CheckCellGrid());
  }
};

TEST_F(ModelFilesTest, OnePatchOfThreeByTwo) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  Link();
  ASSERT_TRUE(WriteModelFiles());
  const std::vector<std::string> cell = {
      "C cell.inp file,  7 rows and 6 columns",
      "C",
      "C    " + std::string(7, ' '),
      "C    1234567",
      "  6  0000000",
      "  5  0999990",
      "  4  0955590",
      "  3  0955590",
      "  2  0999990",
      "  1  0000000",
  };
  EXPECT_EQ(Lines("CELL.INP"), cell);

  const std::vector<std::string> dxdy = Lines("DXDY.INP");
  ASSERT_EQ(dxdy.size(), 4u + 6u);
  EXPECT_EQ(dxdy[0], "C DXDY.INP FILE, IN FREE FORMAT ACROSS COLUMNS");
  EXPECT_EQ(dxdy[3], "C  I    J    DX      DY    DEPTH    ELEV   ZROUGH   TYPE");
  EXPECT_EQ(dxdy[4], "3 3 1.000 1.000 1.0 -1.0 0.0200");
  EXPECT_EQ(dxdy[5], "4 3 1.000 1.000 1.0 -1.0 0.0200") << "i runs fastest";
  EXPECT_EQ(dxdy[9], "5 4 1.000 1.000 1.0 -1.0 0.0200");

  const std::vector<std::string> lxly = Lines("LXLY.INP");
  ASSERT_EQ(lxly.size(), 4u + 6u);
  EXPECT_EQ(lxly[2], "C                                                              WIND ");
  EXPECT_EQ(lxly[3], "C    I     J      X      Y      CUE     CVE     CUN     CVN  SHELTER");
  EXPECT_EQ(lxly[4], "3 3 0.5 0.5 1.00000 -0.00000 0.00000 1.00000 0") << "the negative zero keeps its sign";
  EXPECT_EQ(lxly[9], "5 4 2.5 1.5 1.00000 -0.00000 0.00000 1.00000 0");

  const std::vector<std::string> corners = Lines("CORNERS.INP");
  ASSERT_EQ(corners.size(), 2u + 6u);
  EXPECT_EQ(corners[0], "* corner file");
  EXPECT_EQ(corners[1], "*");
  EXPECT_EQ(corners[2], "3 3 0.0 0.0 1.0 0.0 1.0 1.0 0.0 1.0");
  EXPECT_EQ(corners[7], "5 4 2.0 1.0 3.0 1.0 3.0 2.0 2.0 2.0");

  const std::vector<std::string> efdc = Lines("EFDC.INP");
  ASSERT_FALSE(efdc.empty());
  EXPECT_EQ(efdc.back(), "C90 MMLVSFP TIMVSFP IVSFP JVSFP");
}

TEST_F(ModelFilesTest, CellAxisTowardsPlusY) {
  // i runs up along x = 1, j runs towards -x.
  patches.Quad("a", {Corner{1, 0}, {1, 2}, {0, 2}, {0, 0}}, 2, 1);
  Link();
  ASSERT_TRUE(WriteModelFiles());
  const std::vector<std::string> lxly = Lines("LXLY.INP");
  ASSERT_EQ(lxly.size(), 4u + 2u);
  EXPECT_EQ(lxly[4], "3 3 0.5 0.5 0.00000 -1.00000 1.00000 0.00000 0");
}

TEST_F(ModelFilesTest, WideMapIsWrittenInBlocks) {
  patches.Rect("strip", 0, 0, 146, 1, 146, 1);
  Link();
  ASSERT_EQ(cellMap.iSize, 150);
  ASSERT_EQ(cellMap.jSize, 5);
  ASSERT_TRUE(WriteModelFiles());
  const std::vector<std::string> cell = Lines("CELL.INP");
  ASSERT_EQ(cell.size(), 4u + 5u + 5u);
  EXPECT_EQ(cell[0], "C cell.inp file,  150 rows and 5 columns");
  std::string tens = "C    ", units = "C    ";
  for (int d = 1; d <= 12; ++d) tens += std::string(9, ' ') + std::to_string(d);
  for (int d = 0; d < 12; ++d) units += "1234567890";
  EXPECT_EQ(cell[2], tens) << "two-digit tens push the ruler right";
  EXPECT_EQ(cell[3], units);
  EXPECT_EQ(cell[4], "  5  " + std::string(120, '0'));
  EXPECT_EQ(cell[6], "  3  09" + std::string(118, '5'));
  EXPECT_EQ(cell[8], "  1  " + std::string(120, '0'));
  EXPECT_EQ(cell[9], "  5  " + std::string(30, '0'));
  EXPECT_EQ(cell[11], "  3  " + std::string(28, '5') + "90");
  EXPECT_EQ(cell[13], "  1  " + std::string(30, '0'));
}

TEST_F(ModelFilesTest, RefusesWithoutACurrentLink) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  patches.Build();
  EXPECT_FALSE(WriteModelFiles());
  EXPECT_EQ(ui.LastStatus(), "polygons must first be linked");
  ASSERT_TRUE(LinkGrids());
  MarkModified();  // an edit: the link no longer describes the polygons
  EXPECT_FALSE(WriteModelFiles());
  EXPECT_EQ(ui.LastStatus(), "polygons must first be linked");
  EXPECT_FALSE(std::filesystem::exists(dir.File("EFDC.INP")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("CELL.INP")));
}

TEST_F(ModelFilesTest, RefusesAGridThatFailedItsCheck) {
  patches.Rect("strip", 0, 0, 5, 1, 5, 1);
  patches.Clip({{-1, -1}, {2.1, -1}, {2.1, 0.8}, {2.9, 0.8}, {2.9, -1}, {3.9, -1}, {3.9, 2}, {-1, 2}});
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  EXPECT_FALSE(CheckCellGrid());
  EXPECT_FALSE(WriteModelFiles());
  EXPECT_EQ(ui.LastStatus(), "polygons must first be linked");
}

TEST_F(ModelFilesTest, FileThatCannotBeCreatedStopsTheStep) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  Link();
  std::filesystem::create_directory(dir.File("DXDY.INP"));
  EXPECT_FALSE(WriteModelFiles());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6454);
  EXPECT_EQ(ui.notifications[0].text, "can't create output file DXDY.INP");
  EXPECT_TRUE(std::filesystem::exists(dir.File("CELL.INP")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("LXLY.INP")));
}

// One line of CORNERS.INP.
struct CornerLine {
  double x00, y00, x10, y10, x11, y11, x01, y01;
};

// The (model I, model J) of every data line of a cell file, counted.
std::map<std::pair<int, int>, int> CellsListed(const std::vector<std::string>& lines, size_t skip) {
  std::map<std::pair<int, int>, int> cells;
  for (size_t n = skip; n < lines.size(); ++n) {
    std::istringstream in(lines[n]);
    int I = 0, J = 0;
    in >> I >> J;
    ++cells[{I, J}];
  }
  return cells;
}

TEST_F(ModelFilesTest, LinkedPatchesFormOneConsistentGrid) {
  patches.Rect("seed", 0, 0, 4, 2, 4, 2);
  patches.Clip({{-1, -3}, {8, -3}, {8, 6}, {1, 6}, {1, 4}, {-1, 4}});
  // East of the seed, turned: i runs down, j runs right.
  patches.Quad("east", {Corner{4, 2}, {4, 0}, {7, 0}, {7, 2}}, 2, 3);
  // North of the seed, i towards -x, j towards -y.
  patches.Quad("north", {Corner{4, 5}, {0, 5}, {0, 2}, {4, 2}}, 4, 3);
  // South of the east patch, i towards -x, j towards -y.
  patches.Quad("south", {Corner{7, 0}, {4, 0}, {4, -2}, {7, -2}}, 3, 2);
  Link();
  EXPECT_EQ(cellMap.activeCount, 8 + 6 + 12 + 6 - 1) << "one corner cell lies outside the clip polygon";
  ASSERT_TRUE(WriteModelFiles());

  std::map<std::pair<int, int>, int> owned;
  for (int J = 0; J < cellMap.jSize; ++J) {
    for (int I = 0; I < cellMap.iSize; ++I) {
      if (cellMap.owner[J][I] != -1) owned[{I + 1, J + 1}] = 1;
    }
  }
  EXPECT_EQ(CellsListed(Lines("DXDY.INP"), 4), owned);
  EXPECT_EQ(CellsListed(Lines("LXLY.INP"), 4), owned);
  const std::vector<std::string> cornerLines = Lines("CORNERS.INP");
  EXPECT_EQ(CellsListed(cornerLines, 2), owned);

  std::map<std::pair<int, int>, CornerLine> corners;
  for (size_t n = 2; n < cornerLines.size(); ++n) {
    std::istringstream in(cornerLines[n]);
    int I, J;
    CornerLine c;
    in >> I >> J >> c.x00 >> c.y00 >> c.x10 >> c.y10 >> c.x11 >> c.y11 >> c.x01 >> c.y01;
    corners[{I, J}] = c;
  }
  int sharedEdges = 0;
  for (const auto& [at, c] : corners) {
    const auto east = corners.find({at.first + 1, at.second});
    if (east != corners.end()) {
      ++sharedEdges;
      EXPECT_EQ(east->second.x00, c.x10);
      EXPECT_EQ(east->second.y00, c.y10);
      EXPECT_EQ(east->second.x01, c.x11);
      EXPECT_EQ(east->second.y01, c.y11);
    }
    const auto north = corners.find({at.first, at.second + 1});
    if (north != corners.end()) {
      ++sharedEdges;
      EXPECT_EQ(north->second.x00, c.x01);
      EXPECT_EQ(north->second.y00, c.y01);
      EXPECT_EQ(north->second.x10, c.x11);
      EXPECT_EQ(north->second.y10, c.y11);
    }
  }
  EXPECT_GT(sharedEdges, 40);
  // The first lines belong to polygon 1's first row; every cell's i axis now
  // points towards +x.
  EXPECT_EQ(cornerLines[2], "3 5 0.0 0.0 1.0 0.0 1.0 1.0 0.0 1.0");
  for (const std::string& line : Lines("LXLY.INP")) {
    if (line[0] == 'C') continue;
    std::istringstream in(line);
    double I, J, x, y, cue, cve, cun, cvn;
    in >> I >> J >> x >> y >> cue >> cve >> cun >> cvn;
    EXPECT_EQ(cue, 1) << line;
    EXPECT_EQ(cve, 0) << line;
    EXPECT_EQ(cun, 0) << line;
    EXPECT_EQ(cvn, 1) << line;
  }
  int water = 0;
  const std::vector<std::string> cellInp = Lines("CELL.INP");
  for (size_t n = 4; n < cellInp.size(); ++n) water += std::count(cellInp[n].begin() + 5, cellInp[n].end(), '5');
  EXPECT_EQ(water, cellMap.activeCount);
}

// Folded cells in several polygons: step 4 names each polygon with its
// count and first folded cell and writes nothing, unless asked to file them.
TEST_F(ModelFilesTest, FoldedCellsOfEveryPolygonAreNamed) {
  patches.Rect("bend", 0, 0, 3, 2, 3, 2);
  patches.Rect("reach", 3, 0, 5, 2, 2, 2);
  patches.Build();
  // Node (1, 1) of each patch pulled over its right-hand neighbour folds
  // the cells on either side of it.
  grids.x[0][NodeIndex(3, 1, 1)] = 2.5;
  grids.x[1][NodeIndex(2, 1, 1)] = 5.5;
  ASSERT_TRUE(LinkGrids());
  ASSERT_TRUE(CheckCellGrid());
  EXPECT_FALSE(WriteModelFiles());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6449);
  const std::string& text = ui.notifications[0].text;
  EXPECT_NE(text.find("\nfolded cells by polygon: 1 (bend) 2 from I 4, J 3; 2 (reach) 2 from I 7, J 3"),
            std::string::npos)
      << text;
  EXPECT_FALSE(std::filesystem::exists(dir.File("DXDY.INP")));

  allowFoldedCells = true;
  EXPECT_TRUE(WriteModelFiles());
  EXPECT_NE(ui.LastStatus().find("QUALITY.TXT (with 4 folded cells, as asked); "), std::string::npos)
      << ui.LastStatus();
}

}  // namespace
}  // namespace kestrel::testing
