#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "fixture.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

// The files beside the model files that make the folder one the model runs
// from as written: CELLLT.INP, SHOW.INP, and the quality report.
class DeckTest : public KestrelTest {
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
  void Link() {
    patches.Build();
    ASSERT_TRUE(LinkGrids());
    ASSERT_TRUE(CheckCellGrid());
  }
};

TEST_F(DeckTest, LongTermMapEqualsTheCellMapByteForByte) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  Link();
  ASSERT_TRUE(WriteModelFiles());
  EXPECT_EQ(TempDir::Read(dir.File("CELLLT.INP")), TempDir::Read(dir.File("CELL.INP")));
}

TEST_F(DeckTest, LongTermMapOfAWideMapInBlocks) {
  patches.Rect("wide", 0, 0, 146, 1, 146, 1);
  Link();
  ASSERT_EQ(cellMap.iSize, 150);
  ASSERT_TRUE(WriteModelFiles());
  const std::string cell = TempDir::Read(dir.File("CELL.INP"));
  EXPECT_EQ(TempDir::Read(dir.File("CELLLT.INP")), cell);
  EXPECT_NE(cell.find("  1  " + std::string(120, '0') + "\n"), std::string::npos);
  EXPECT_NE(cell.find("  1  " + std::string(30, '0') + "\n"), std::string::npos);
}

TEST_F(DeckTest, ShowFileNamesTheFirstActiveCell) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  Link();
  ASSERT_TRUE(WriteModelFiles());
  const std::vector<std::string> show = SplitLines(TempDir::Read(dir.File("SHOW.INP")));
  ASSERT_EQ(show.size(), 8u);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(show[k][0], '*') << show[k];
  // The first cell of DXDY.INP is cell (0, 0): model I 3, J 3.
  EXPECT_EQ(show[6], "       3    1000       3       3       1");
  EXPECT_EQ(show[7], "-500 1000 1000");
  const std::vector<std::string> dxdy = SplitLines(TempDir::Read(dir.File("DXDY.INP")));
  EXPECT_EQ(dxdy[4].rfind("3 3 ", 0), 0u) << dxdy[4];
}

TEST_F(DeckTest, AModellersOwnShowFileIsNeverReplaced) {
  const std::string own = "* my own display settings\n       1     100       5       5       1\n0 10 35\n";
  TempDir::Write(dir.File("SHOW.INP"), own);
  struct stat before;
  ASSERT_EQ(stat(dir.File("SHOW.INP").c_str(), &before), 0);
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  Link();
  ASSERT_TRUE(WriteModelFiles());
  struct stat after;
  ASSERT_EQ(stat(dir.File("SHOW.INP").c_str(), &after), 0);
  EXPECT_EQ(TempDir::Read(dir.File("SHOW.INP")), own);
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
  EXPECT_EQ(before.st_ino, after.st_ino) << "the file is not even rewritten";
}

TEST_F(DeckTest, QualityReportNamesCellsByModelIndex) {
  patches.Quad("skew", {Corner{0, 0}, {3, 0}, {4, 2}, {1, 2}}, 3, 2);
  Link();
  ASSERT_TRUE(WriteModelFiles());
  const std::string report = TempDir::Read(dir.File("QUALITY.TXT"));
  EXPECT_NE(report.find("Polygon 1 (skew)"), std::string::npos) << report;
  EXPECT_NE(report.find("cells 6, folded cells 0"), std::string::npos) << report;
  EXPECT_NE(report.find(" 1. polygon 1, model I "), std::string::npos) << report;
}

}  // namespace
}  // namespace kestrel::testing
