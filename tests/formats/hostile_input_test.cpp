// Inputs that are not what a reader expects: files that are not text, files
// cut short, and files whose size would make the readers allocate absurd
// amounts. Each gives a message and leaves the store as the reader's rules
// say; none ends the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/report.h"
#include "fixture.h"
#include "formats/dxf.h"
#include "formats/polyfile.h"
#include "formats/textcheck.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class HostileInputTest : public KestrelTest {
 protected:
  TempDir dir;

  void Name(const char* file) { std::snprintf(fileName, sizeof fileName, "%s", dir.File(file).c_str()); }
  long ReadPolygons(const std::string& bytes) {
    Name("in.p2d");
    TempDir::Write(fileName, bytes);
    return ReadPolygonFile();
  }
  long ReadDrawing(const std::string& bytes) {
    Name("in.dxf");
    TempDir::Write(fileName, bytes);
    return ReadDxfFile();
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const Box& b : ui.notifications) codes.push_back(b.code);
    return codes;
  }
};

std::string Points(int n, int offset = 0) {
  std::string text;
  for (int k = 0; k < n; ++k) text += std::to_string(k + offset) + " " + std::to_string(k % 3) + "\n";
  return text;
}

std::string Pairs(const std::vector<std::pair<int, std::string>>& pairs) {
  std::string text;
  for (const auto& [code, value] : pairs) text += std::to_string(code) + "\n" + value + "\n";
  return text;
}

TEST(TextRule, ZeroBytesAndControlCharactersMakeAFileBinary) {
  std::string why;
  const auto check = [&why](const std::string& s) {
    why.clear();
    return IsTextBlock(reinterpret_cast<const unsigned char*>(s.data()), s.size(), why);
  };
  EXPECT_TRUE(check(""));
  EXPECT_TRUE(
      check("POLY a\r\n0 0 0 \x11"
            "1\r\n\tEND\f\v\r\n\x1a"))
      << "corner marks, line ends and the DOS end mark are text";
  EXPECT_TRUE(check("POLY Lac_L\xc3\xa9man\nPOLY caf\xe9\n")) << "bytes from 0x80 up are text in some character set";

  EXPECT_FALSE(check(std::string("POLY a\n\0", 8)));
  EXPECT_EQ(why, "byte 8 is a zero byte");
  EXPECT_FALSE(check(std::string("\xff\xfeP\0O\0", 6))) << "UTF-16 text is not read";

  // One control character in ten is still text; more is not.
  std::string mostly(90, 'a');
  mostly += std::string(10, '\x01');
  EXPECT_TRUE(check(mostly));
  mostly += '\x02';
  EXPECT_FALSE(check(mostly));
  EXPECT_EQ(why, "11 of its first 101 bytes are control characters");
}

TEST_F(HostileInputTest, APolygonFileThatIsNotTextIsReportedAndNotRead) {
  AddPolygon("kept", {{0, 0}, {1, 1}});
  std::string image = "\x89PNG\r\n\x1a\n";
  image += std::string("\0\0\0\rIHDR", 8) + "1 2\n3 4\n";
  EXPECT_EQ(ReadPolygons(image), 0);
  ASSERT_EQ(Codes(), std::vector<int>{2707});
  EXPECT_EQ(ui.notifications[0].text,
            std::string(fileName) + " is not a text file (byte 9 is a zero byte);\nnothing was read");
  EXPECT_EQ(store.polygonCount, 1) << "the store is left as it was";
  EXPECT_STREQ(PolygonAt(0).name, "kept");

  // Only the first block decides: a zero byte far into a text file is read
  // as the lines have always been read.
  ui.notifications.clear();
  EXPECT_EQ(ReadPolygons("POLY a\n" + Points(2000) + std::string("END\n\0", 5)), 1);
  EXPECT_TRUE(ui.notifications.empty());
}

TEST_F(HostileInputTest, ADrawingThatIsNotTextIsReportedAndNotRead) {
  std::string binaryDxf = "AutoCAD Binary DXF\r\n\x1a";
  binaryDxf += std::string("\0\0\x02\0ENTITIES\0", 13);
  EXPECT_EQ(ReadDrawing(binaryDxf), 0);
  ASSERT_EQ(Codes(), std::vector<int>{2913});
  EXPECT_EQ(ui.notifications[0].text,
            std::string(fileName) + " is a binary DXF drawing;\nonly drawings saved as DXF text (ASCII) can be read");

  ui.notifications.clear();
  EXPECT_EQ(ReadDrawing(std::string(300, '\x03') + "0\nEOF\n"), 0);
  ASSERT_EQ(Codes(), std::vector<int>{2912});
  EXPECT_EQ(ui.notifications[0].text, std::string(fileName) +
                                          " is not a text file (300 of its first 306 bytes are control characters);\n"
                                          "nothing was read");
  EXPECT_EQ(store.polygonCount, 0);
}

TEST_F(HostileInputTest, APolygonFileCutShortIsReadAndReported) {
  const std::string whole = "POLY a\n0 0\n1 0\n1 1\n0 0\nEND\nPOLY b\n5 5\n6 6\n7 7\nEND\n";
  EXPECT_EQ(ReadPolygons(whole + "\n \n\x1a"), 2);
  EXPECT_TRUE(ui.notifications.empty()) << "blank lines and a DOS end mark after the last END are no sign of a cut";
  ClearPolygons();

  // Cut inside the last number of polygon b: its last line reads as a header.
  EXPECT_EQ(ReadPolygons(whole.substr(0, whole.find("7 7") + 2)), 2);
  ASSERT_EQ(Codes(), std::vector<int>{2817});
  EXPECT_EQ(ui.notifications[0].text, std::string(fileName) +
                                          " does not end with the END line that closes its other polygons:\n"
                                          "the file may have been cut short (it was read as far as it goes)");
  ASSERT_EQ(store.polygonCount, 2) << "what the file holds is read by the usual rules";
  EXPECT_EQ(PolygonAt(1).count, 2);
  ClearPolygons();
  ui.notifications.clear();

  // Cut right after a header: nothing of that polygon is there.
  EXPECT_EQ(ReadPolygons("POLY a\n0 0\n1 1\nEND\nPOLY b\n"), 1);
  EXPECT_EQ(Codes(), std::vector<int>{2817});
  ClearPolygons();
  ui.notifications.clear();

  // Files that never use END lines are not suspected.
  EXPECT_EQ(ReadPolygons("0 0\n1 1\n2 0"), 1);
  EXPECT_TRUE(ui.notifications.empty());
}

TEST_F(HostileInputTest, ADrawingCutShortKeepsThePolygonsBeforeTheCut) {
  const std::string text = Pairs({{0, "SECTION"},
                                  {2, "ENTITIES"},
                                  {0, "LINE"},
                                  {10, "0"},
                                  {20, "0"},
                                  {11, "1"},
                                  {21, "1"},
                                  {0, "LWPOLYLINE"},
                                  {90, "3"},
                                  {10, "0"},
                                  {20, "0"},
                                  {10, "5"}});
  EXPECT_EQ(ReadDrawing(text.substr(0, text.size() - 2)), 1);
  ASSERT_EQ(Codes(), std::vector<int>{2961});
  EXPECT_EQ(ui.notifications[0].text, "unexpected end of file at line 23");
  EXPECT_EQ(store.polygonCount, 1);
  EXPECT_EQ(PolygonAt(0).count, 2);
}

TEST_F(HostileInputTest, APolygonTooLargeToHoldEndsTheReadingWithAMessage) {
  // Room for 5000 points in one block: the point buffer grows in steps of
  // 1000 and cannot pass that.
  SetBlockLimit(5000 * sizeof(PolygonPoint));
  const std::string text = "POLY a\n0 0\n1 0\n1 1\nEND\nPOLY big\n" + Points(8000) + "END\nPOLY c\n0 0\n2 2\nEND\n";
  EXPECT_EQ(ReadPolygons(text), 1);
  ASSERT_EQ(Codes(), std::vector<int>{2740});
  EXPECT_EQ(ui.notifications[0].text,
            "polygon big of " + std::string(fileName) +
                " has more points than can be held (5000 by line 5007);\n"
                "the reading stopped there and left out this polygon and the rest of the file");
  ASSERT_EQ(store.polygonCount, 1) << "the polygons before it stay";
  EXPECT_STREQ(PolygonAt(0).name, "a");
  EXPECT_EQ(ui.LastStatus(), "5007 lines read, 1 polygons found");
}

TEST_F(HostileInputTest, DrawingEntitiesTooLargeToHoldEndTheReadingWithAMessage) {
  // The store's first 1000 records fit in one block, 4333 points do too.
  SetBlockLimit(kStoreGrowth * sizeof(Polygon));
  std::vector<std::pair<int, std::string>> polyline = {
      {0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {11, "1"}, {0, "POLYLINE"}};
  for (int k = 0; k < 6000; ++k) {
    polyline.push_back({0, "VERTEX"});
    polyline.push_back({10, std::to_string(k)});
  }
  polyline.push_back({0, "SEQEND"});
  EXPECT_EQ(ReadDrawing(Pairs(polyline)), 1);
  ASSERT_EQ(Codes(), std::vector<int>{3112});
  EXPECT_EQ(ui.notifications[0].text, "too many points in POLYLINE at line 17344: more than can be held");
  EXPECT_EQ(store.polygonCount, 1) << "the LINE before it stays";

  // A count the file can really hold is trusted ahead of its vertices, so
  // the refusal comes at the count.
  ClearPolygons();
  ui.notifications.clear();
  std::vector<std::pair<int, std::string>> lw = {{2, "ENTITIES"}, {0, "LWPOLYLINE"}, {90, "6000"}};
  for (int k = 0; k < 6000; ++k) {
    lw.push_back({10, std::to_string(k)});
    lw.push_back({20, "0"});
  }
  EXPECT_EQ(ReadDrawing(Pairs(lw)), 0);
  ASSERT_EQ(Codes(), (std::vector<int>{3017, 3219}));
  EXPECT_EQ(ui.notifications[0].text, "too many points in LWPOLYLINE at line 6: more than can be held");
}

TEST_F(HostileInputTest, AnAbsurdVertexCountNeverSizesTheBuffer) {
  // Two billion vertices announced, two given: the buffer is sized by what
  // the file can hold, and the count is refused by the usual check.
  SetBlockLimit(1 << 20);
  const std::string text = Pairs(
      {{2, "ENTITIES"}, {0, "LWPOLYLINE"}, {90, "2000000000"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"}, {0, "EOF"}});
  EXPECT_EQ(ReadDrawing(text), 0);
  ASSERT_EQ(Codes(), (std::vector<int>{3039, 3219}));
  EXPECT_EQ(ui.notifications[0].text, "less than the specified number of points in LWPOLYLINE at line 16");
}

}  // namespace
}  // namespace kestrel::testing
