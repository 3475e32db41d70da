#include "link/cellfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "fixture.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class CellFilesTest : public KestrelTest {
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
};

TEST(CellSymbol, EightySymbolsRepeat) {
  EXPECT_EQ(CellSymbol(0), '0');
  EXPECT_EQ(CellSymbol(10), 'A');
  EXPECT_EQ(CellSymbol(40), '&');
  EXPECT_EQ(CellSymbol(71), '<');
  EXPECT_EQ(CellSymbol(73), '>');
  EXPECT_EQ(CellSymbol(79), '}');
  EXPECT_EQ(CellSymbol(81), '1');
  EXPECT_EQ(CellSymbol(160), '0');
}

TEST_F(CellFilesTest, TextMapOfOnePatch) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  const std::vector<std::string> expected = {
      "symbolic CELL.INP file", "       ", "       ", "  000  ", "  000  ", "       ", "       ",
  };
  EXPECT_EQ(Lines("cell.txt"), expected);
}

TEST_F(CellFilesTest, HtmlMapIsInvertedAndColoured) {
  patches.Rect("a", 0, 0, 1, 1, 1, 1);
  patches.Rect("b", 1, 0, 2, 1, 1, 1);
  patches.Rect("c", 0, 1, 1, 2, 1, 1);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  const std::vector<std::string> lines = Lines("cell.html");
  ASSERT_EQ(lines.size(), 6u + 6u + 2u);
  EXPECT_EQ(lines[0], "<html>");
  EXPECT_EQ(lines[2], "  <title>inverted symbolic CELL.INP file</title>");
  EXPECT_EQ(lines[4], "<body style=\"background-color: rgb(0, 0, 0); color: rgb(0, 0, 0);\"");
  EXPECT_EQ(lines[5], " alink=\"#ee0000\" link=\"#0000ee\" vlink=\"#551a8b\">");
  const std::string open = "<span style=\"font-family: monospace; font-weight: bold;\">";
  const std::string blank = "&nbsp;";
  EXPECT_EQ(lines[6], open + blank + blank + blank + blank + blank + blank + "</span><br>");
  // J = 2 (the lowest row of cells) comes before J = 3 in the page.
  EXPECT_EQ(lines[8], open + blank + blank + "<span style=\"color: rgb(255, 0, 255);\">0</span>" +
                          "<span style=\"color: rgb(127, 255, 0);\">1</span>" + blank + blank + "</span><br>");
  EXPECT_EQ(lines[9], open + blank + blank + "<span style=\"color: rgb(0, 127, 255);\">2</span>" + blank + blank +
                          blank + "</span><br>");
  EXPECT_EQ(lines[12], "</body>");
  EXPECT_EQ(lines[13], "</html>");
  // The text map shows the same rows the other way up.
  const std::vector<std::string> text = Lines("cell.txt");
  EXPECT_EQ(text[3], "  2   ");
  EXPECT_EQ(text[4], "  01  ");
}

TEST_F(CellFilesTest, SymbolsAndEscapesOfHighPolygonNumbers) {
  for (int k = 0; k < 82; ++k) patches.Rect("p", k, 0, k + 1, 1, 1, 1);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  const std::string row = Lines("cell.txt")[3];
  ASSERT_EQ(row.size(), 82u + 4u);
  EXPECT_EQ(row.substr(2 + 40, 1), "&");
  EXPECT_EQ(row.substr(2 + 71, 3), "<=>");
  EXPECT_EQ(row.substr(2 + 80, 2), "01");
  const std::string html = Lines("cell.html")[8];
  // Polygon k has pen k % 12 in these tests: 40 -> 4, 71 -> 11, 73 -> 1, 81 -> 9.
  EXPECT_NE(html.find("<span style=\"color: rgb(0, 255, 0);\">&amp;</span>"), std::string::npos);
  EXPECT_NE(html.find("<span style=\"color: rgb(127, 0, 255);\">&lt;</span>"), std::string::npos);
  EXPECT_NE(html.find("<span style=\"color: rgb(127, 255, 0);\">&gt;</span>"), std::string::npos);
  EXPECT_NE(html.find("<span style=\"color: rgb(255, 127, 0);\">1</span>"), std::string::npos);
  EXPECT_EQ(html.find("<span style=\"color: rgb(0, 255, 0);\">&</span>"), std::string::npos);
}

TEST_F(CellFilesTest, MapThatCannotBeCreatedIsNamed) {
  std::filesystem::create_directory(dir.File("cell.txt"));
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  patches.Build();
  EXPECT_FALSE(LinkGrids()) << "the caller learns that a file is missing";
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6160);
  EXPECT_EQ(ui.notifications[0].text, "can't create output file cell.txt");
  EXPECT_EQ(linksValid, 1) << "the link itself is sound";
  EXPECT_EQ(cellMap.activeCount, 6);
  EXPECT_FALSE(Lines("cell.html").empty());
}

TEST_F(CellFilesTest, ViewerIsShownTheTextMap) {
  ViewCellMap();
  ASSERT_EQ(ui.shownFiles.size(), 1u);
  EXPECT_EQ(ui.shownFiles[0], "cell.txt");
}

}  // namespace
}  // namespace kestrel::testing
