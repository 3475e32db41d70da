#include "formats/dxf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fixture.h"
#include "formats/input.h"
#include "formats/polyfile.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

using Pairs = std::vector<std::pair<int, std::string>>;

// A drawing as code and value lines; codes right-aligned in three places.
std::string Text(const Pairs& pairs, const char* lineEnd = "\n") {
  std::string text;
  char code[16];
  for (const auto& [c, v] : pairs) {
    std::snprintf(code, sizeof code, "%3d", c);
    text += code + std::string(lineEnd) + v + lineEnd;
  }
  return text;
}

// The pairs wrapped into an ENTITIES section and ended by EOF.
Pairs Entities(const Pairs& body) {
  Pairs pairs = {{0, "SECTION"}, {2, "ENTITIES"}};
  pairs.insert(pairs.end(), body.begin(), body.end());
  pairs.push_back({0, "ENDSEC"});
  pairs.push_back({0, "EOF"});
  return pairs;
}

// An LWPOLYLINE with its count and vertices, and further groups after them.
Pairs Lw(const std::vector<std::pair<const char*, const char*>>& vertices, const Pairs& more = {}) {
  Pairs pairs = {{0, "LWPOLYLINE"}, {100, "AcDbPolyline"}, {90, std::to_string(vertices.size())}};
  for (const auto& [x, y] : vertices) {
    pairs.push_back({10, x});
    pairs.push_back({20, y});
  }
  pairs.insert(pairs.end(), more.begin(), more.end());
  return pairs;
}

Pairs Join(std::initializer_list<Pairs> parts) {
  Pairs all;
  for (const Pairs& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Pairs kLine = {{0, "LINE"}, {8, "0"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}};

class DxfTest : public KestrelTest {
 protected:
  TempDir dir;

  long ReadText(const std::string& text, const std::string& name = "drawing.dxf") {
    const std::string file = dir.File(name);
    TempDir::Write(file, text);
    std::snprintf(fileName, sizeof fileName, "%s", file.c_str());
    return ReadDxfFile();
  }
  long Read(const Pairs& pairs) { return ReadText(Text(pairs)); }

  // A fresh program and front end for the next case of a table.
  void Restart() {
    TearDown();
    ui = ScriptedFrontEnd();
    SetUp();
  }

  void ExpectPoint(int polygon, int point, double x, double y, double z) {
    const PolygonPoint& p = PolygonAt(polygon).points[point];
    EXPECT_DOUBLE_EQ(p.x, x) << "polygon " << polygon << " point " << point;
    EXPECT_DOUBLE_EQ(p.y, y) << "polygon " << polygon << " point " << point;
    EXPECT_DOUBLE_EQ(p.z, z) << "polygon " << polygon << " point " << point;
  }
};

TEST_F(DxfTest, DrawingWithoutEntitiesSectionHasNoPolygons) {
  // Entities of the BLOCKS section are not part of the drawing.
  const Pairs pairs = Join({{{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}},
                            Lw({{"0", "0"}, {"1", "0"}, {"1", "1"}}),
                            {{0, "ENDBLK"}, {0, "ENDSEC"}, {0, "EOF"}}});
  EXPECT_EQ(Read(pairs), 0);
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 3219);
  EXPECT_EQ(ui.notifications[0].text, "file does not contain any polygons");
  EXPECT_EQ(ui.statuses.front(), std::string("reading ") + fileName);
}

TEST_F(DxfTest, LwPolylineIsClosedByRepeatedVertexOrFlag) {
  const Pairs pairs = Entities(Join({
      Lw({{"0", "0"}, {"10", "0"}, {"10", "5"}, {"0", "5"}}, {{38, "2.5"}}),  // open
      Lw({{"0", "0"}, {"10", "0"}, {"10", "5"}, {"0", "0"}}),                 // last repeats first
      Lw({{"0", "0"}, {"10", "0"}, {"10", "5"}, {"0", "5"}}, {{70, "129"}}),  // bit 0 of 70
      Lw({{"0", "0"}, {"10", "0"}, {"10", "5"}, {"0", "5"}}, {{70, "128"}}),  // other bits only
  }));
  ASSERT_EQ(Read(pairs), 4);
  EXPECT_TRUE(ui.notifications.empty());

  const Polygon& open = PolygonAt(0);
  EXPECT_EQ(open.closed, 0);
  EXPECT_EQ(open.count, 4);
  EXPECT_STREQ(open.name, "P1");
  EXPECT_EQ(open.selection, 0);
  ExpectPoint(0, 3, 0, 5, 2.5);

  EXPECT_EQ(PolygonAt(1).closed, 1);
  EXPECT_EQ(PolygonAt(1).count, 4);

  // Closed by its flag alone: the first vertex is stored again at the end.
  EXPECT_EQ(PolygonAt(2).closed, 1);
  ASSERT_EQ(PolygonAt(2).count, 5);
  ExpectPoint(2, 4, 0, 0, 0);

  EXPECT_EQ(PolygonAt(3).closed, 0);
  EXPECT_EQ(PolygonAt(3).count, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(PolygonAt(i).color, i);
    EXPECT_EQ(PolygonAt(i).corners[0], 0);
  }
  EXPECT_STREQ(PolygonAt(3).name, "P4");
  EXPECT_EQ(ui.LastStatus(), std::to_string(2 * pairs.size()) + " lines read, 4 polygons found");
}

struct BadDrawing {
  const char* what;
  Pairs entity;  // follows one good LINE
  int code;
  const char* message;  // %li: the line of the pair at which reading stopped
  int pair;             // 1-based pair of `entity`, or 0 for a truncated file
};

TEST_F(DxfTest, LwPolylineFaultsStopReadingAndKeepEarlierPolygons) {
  const std::vector<BadDrawing> cases = {
      {"20 before its 10",
       {{0, "LWPOLYLINE"}, {90, "4"}, {20, "1"}},
       2994,
       "mismatched set of Xs and Ys in LWPOLYLINE at line %li",
       3},
      {"two 20s for one 10",
       {{0, "LWPOLYLINE"}, {90, "4"}, {10, "1"}, {20, "1"}, {20, "2"}},
       2994,
       "mismatched set of Xs and Ys in LWPOLYLINE at line %li",
       5},
      {"10 before 90",
       {{0, "LWPOLYLINE"}, {10, "1"}, {90, "4"}},
       2975,
       "code 90 (number of points) must preceed code 10 (X value) in LWPOLYLINE at line %li",
       2},
      {"20 before 90",
       {{0, "LWPOLYLINE"}, {20, "1"}},
       2989,
       "code 90 (number of points) must preceed code 20 (Y value) in LWPOLYLINE at line %li",
       2},
      {"one vertex", {{0, "LWPOLYLINE"}, {90, "1"}}, 3011, "less than 2 points in LWPOLYLINE at line %li", 2},
      {"negative count",
       {{0, "LWPOLYLINE"}, {90, "-2147483648"}},
       3011,
       "less than 2 points in LWPOLYLINE at line %li",
       2},
      {"more vertices than counted", Lw({{"0", "0"}, {"1", "0"}}, {{10, "2"}}), 2980,
       "more than the specified number of points in LWPOLYLINE at line %li", 8},
      {"no count",
       {{0, "LWPOLYLINE"}, {8, "0"}, {0, "ENDSEC"}},
       3029,
       "code 90 (number of points) not found in LWPOLYLINE at line %li",
       3},
      {"x without y",
       {{0, "LWPOLYLINE"}, {90, "2"}, {10, "0"}, {20, "0"}, {10, "1"}, {0, "ENDSEC"}},
       3034,
       "mismatched set of Xs and Ys in LWPOLYLINE at line %li",
       6},
      {"fewer vertices than counted",
       {{0, "LWPOLYLINE"}, {90, "3"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"}, {0, "ENDSEC"}},
       3039,
       "less than the specified number of points in LWPOLYLINE at line %li",
       7},
      // A count of two billion must neither be believed nor allocated.
      {"count of two billion",
       {{0, "LWPOLYLINE"}, {90, "2000000000"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"}, {0, "ENDSEC"}},
       3039,
       "less than the specified number of points in LWPOLYLINE at line %li",
       7},
      {"count beyond every integer",
       {{0, "LWPOLYLINE"}, {90, "99999999999999999999999"}, {10, "0"}, {20, "0"}, {0, "ENDSEC"}},
       3039,
       "less than the specified number of points in LWPOLYLINE at line %li",
       5},
      {"not a number", Lw({{"nan", "0"}, {"1", "0"}}, {{0, "ENDSEC"}}), 3201,
       "coordinate that is not a finite number in LWPOLYLINE at line %li", 8},
  };
  for (const BadDrawing& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    Pairs pairs = Join({{{0, "SECTION"}, {2, "ENTITIES"}}, kLine, c.entity, Lw({{"5", "5"}, {"6", "6"}})});
    pairs.push_back({0, "EOF"});
    EXPECT_EQ(Read(pairs), 1);
    EXPECT_EQ(store.polygonCount, 1);
    ASSERT_EQ(ui.notifications.size(), 1u);
    EXPECT_EQ(ui.notifications[0].code, c.code);
    char message[256];
    std::snprintf(message, sizeof message, c.message, static_cast<long>(2 * (2 + kLine.size() + c.pair)));
    EXPECT_EQ(ui.notifications[0].text, message);
    EXPECT_EQ(ui.notifications[0].caption, "non-fatal error code " + std::to_string(c.code));
    EXPECT_EQ(ui.LastStatus(), std::to_string(2 * (2 + kLine.size() + c.pair)) + " lines read, 1 polygons found");
  }
}

TEST_F(DxfTest, TruncatedFilesReportTheUnexpectedEnd) {
  struct Truncated {
    Pairs entity;
    int codeLineCode, valueLineCode;
  };
  const std::vector<Truncated> cases = {
      {Lw({{"0", "0"}, {"1", "0"}}), 2956, 2961},
      {{{0, "POLYLINE"}, {66, "1"}, {0, "VERTEX"}, {10, "1"}}, 3078, 3083},
      {{{0, "LINE"}, {10, "1"}}, 3151, 3156},
  };
  for (const Truncated& c : cases) {
    for (bool cutValue : {false, true}) {
      SCOPED_TRACE(c.entity[0].second + (cutValue ? " cut after a code line" : " cut after a value line"));
      Restart();
      std::string text = Text(Join({{{0, "SECTION"}, {2, "ENTITIES"}}, kLine, c.entity}));
      const long lines = 2 * static_cast<long>(2 + kLine.size() + c.entity.size());
      if (cutValue) text += " 62\n";  // a code line without its value
      ReadText(text);
      EXPECT_EQ(store.polygonCount, 1);
      ASSERT_EQ(ui.notifications.size(), 1u);
      EXPECT_EQ(ui.notifications[0].code, cutValue ? c.valueLineCode : c.codeLineCode);
      EXPECT_EQ(ui.notifications[0].text,
                "unexpected end of file at line " + std::to_string(cutValue ? lines + 1 : lines));
    }
  }
}

TEST_F(DxfTest, ExtrusionDirectionMovesEntitiesToWorldCoordinates) {
  const Pairs pairs = Entities(Join({
      // (0, 0, -1) mirrors: (x, y, z) becomes (-x, y, -z).
      Lw({{"1", "2"}, {"4", "2"}, {"4", "6"}}, {{38, "3"}, {210, "0"}, {220, "0"}, {230, "-1"}}),
      {{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "-4"}, {21, "5"}, {31, "-6"}, {230, "-1"}},
      // Along the x axis the arbitrary-axis rule turns (x, y, z) into (z, x, y);
      // the direction need not be of unit length.
      {{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}, {210, "2.5"}, {230, "0"}},
      // Within 0.01 of (0, 0, 1), or of no length at all: nothing moves.
      {{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}, {230, "1.005"}},
      {{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}, {230, "0"}},
  }));
  ASSERT_EQ(Read(pairs), 5);
  ExpectPoint(0, 0, -1, 2, -3);
  ExpectPoint(0, 2, -4, 6, -3);
  ExpectPoint(1, 0, -1, 2, -3);
  ExpectPoint(1, 1, 4, 5, 6);
  ExpectPoint(2, 0, 3, 1, 2);
  ExpectPoint(2, 1, 6, 4, 5);
  ExpectPoint(3, 1, 4, 5, 6);
  ExpectPoint(4, 0, 1, 2, 3);
}

TEST_F(DxfTest, PolylineVerticesUpToSeqend) {
  const Pairs pairs = Entities(Join({
      // The polyline's own point is only a placeholder; a vertex flag of 1
      // (added by curve fitting) does not close it; a missing 30 gives z 0.
      {{0, "POLYLINE"}, {66, "1"}, {10, "0"},     {20, "0"},  {30, "7"},     {70, "8"},    {0, "VERTEX"},
       {10, "1"},       {20, "2"}, {30, "3"},     {70, "32"}, {0, "VERTEX"}, {10, "4"},    {20, "5"},
       {30, "6"},       {70, "1"}, {0, "VERTEX"}, {10, "7"},  {20, "8"},     {0, "SEQEND"}},
      // Closed by its own flag.
      {{0, "POLYLINE"},
       {70, "1"},
       {0, "VERTEX"},
       {10, "0"},
       {20, "0"},
       {0, "VERTEX"},
       {10, "1"},
       {20, "0"},
       {0, "VERTEX"},
       {10, "1"},
       {20, "1"},
       {0, "SEQEND"}},
      // Without vertices: nothing to store.
      {{0, "POLYLINE"}, {70, "1"}, {0, "SEQEND"}},
      kLine,
  }));
  ASSERT_EQ(Read(pairs), 3);
  EXPECT_TRUE(ui.notifications.empty());
  const Polygon& open = PolygonAt(0);
  EXPECT_EQ(open.closed, 0);
  ASSERT_EQ(open.count, 3);
  ExpectPoint(0, 0, 1, 2, 3);
  ExpectPoint(0, 1, 4, 5, 6);
  ExpectPoint(0, 2, 7, 8, 0);

  EXPECT_EQ(PolygonAt(1).closed, 1);
  ASSERT_EQ(PolygonAt(1).count, 4);
  ExpectPoint(1, 3, 0, 0, 0);

  const Polygon& line = PolygonAt(2);
  EXPECT_STREQ(line.name, "P3");
  EXPECT_EQ(line.closed, 0);
  ASSERT_EQ(line.count, 2);
  ExpectPoint(2, 0, 1, 2, 3);
  ExpectPoint(2, 1, 4, 5, 6);
}

TEST_F(DxfTest, LongPolylinesGrowTheBuffer) {
  Pairs polyline = {{0, "POLYLINE"}};
  Pairs lw = {{0, "LWPOLYLINE"}, {90, "2500"}};
  for (int k = 0; k < 2500; ++k) {
    polyline.push_back({0, "VERTEX"});
    polyline.push_back({10, std::to_string(k)});
    polyline.push_back({20, std::to_string(k % 7)});
    lw.push_back({10, std::to_string(k)});
    lw.push_back({20, std::to_string(-k)});
  }
  polyline.push_back({0, "SEQEND"});
  ASSERT_EQ(Read(Entities(Join({polyline, lw}))), 2);
  ASSERT_EQ(PolygonAt(0).count, 2500);
  ASSERT_EQ(PolygonAt(1).count, 2500);
  ExpectPoint(0, 2499, 2499, 2499 % 7, 0);
  ExpectPoint(1, 2499, 2499, -2499, 0);
}

TEST_F(DxfTest, LongLinesKeepCodesAndValuesPaired) {
  const std::string longText(1000, 'a');
  const std::string exact(255, 'b');
  const Pairs pairs = Entities(Join({
      {{0, "TEXT"}, {1, longText}, {1, exact}},
      Lw({{"0", "0"}, {"1", "0"}, {"1", "1"}}, {{1000, longText}}),
  }));
  ASSERT_EQ(Read(pairs), 1);
  EXPECT_EQ(PolygonAt(0).count, 3);
  ExpectPoint(0, 2, 1, 1, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2968);
  EXPECT_EQ(ui.notifications[0].text, std::string("2 lines of ") + fileName +
                                          " are longer than 255 characters;\n"
                                          "only their first 255 characters were read (the first is line 8)");
}

TEST_F(DxfTest, WindowsLineEndsAreRead) {
  ASSERT_EQ(ReadText(Text(Entities(Lw({{"0", "0"}, {"1", "0"}, {"1", "1"}, {"0", "0"}})), "\r\n")), 1);
  EXPECT_EQ(PolygonAt(0).closed, 1);
  ExpectPoint(0, 2, 1, 1, 0);
}

TEST_F(DxfTest, DrawingThatCannotBeOpenedIsReported) {
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("missing.dxf").c_str());
  EXPECT_EQ(ReadDxfFile(), -1);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2911);
  EXPECT_EQ(ui.notifications[0].text, std::string("can't open input file ") + fileName);
}

// Arbitrary pairs from the reader's vocabulary must never crash it or
// make it allocate without bound.
TEST_F(DxfTest, ScrambledDrawingsAreReadSafely) {
  const std::vector<std::pair<int, std::string>> vocabulary = {
      {0, "LWPOLYLINE"}, {0, "POLYLINE"}, {0, "VERTEX"}, {0, "SEQEND"},      {0, "LINE"}, {0, "TEXT"},
      {2, "ENTITIES"},   {90, "3"},       {90, "-7"},    {90, "2147483647"}, {10, "1.5"}, {20, "-2"},
      {30, "1e300"},     {11, "4"},       {21, "5"},     {38, "nan"},        {70, "1"},   {210, "1"},
      {220, "1e-30"},    {230, "-1"},     {10, ""},      {20, "x"},          {999, ""}};
  unsigned seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  for (int round = 0; round < 200; ++round) {
    Restart();
    Pairs pairs = {{2, "ENTITIES"}};
    const unsigned length = next() % 60;
    for (unsigned k = 0; k < length; ++k) pairs.push_back(vocabulary[next() % vocabulary.size()]);
    std::string text = Text(pairs);
    text.resize(text.size() - next() % 4);  // sometimes cut inside the last pair
    ASSERT_NO_THROW(ReadText(text)) << text;
    for (int32_t i = 0; i < store.polygonCount; ++i) {
      const Polygon& p = PolygonAt(i);
      ASSERT_GE(p.count, 1);
      for (int32_t k = 0; k < p.count; ++k) {
        ASSERT_TRUE(std::isfinite(p.points[k].x) && std::isfinite(p.points[k].y) && std::isfinite(p.points[k].z));
      }
      if (p.closed) {
        EXPECT_EQ(p.points[0].x, p.points[p.count - 1].x);
        EXPECT_EQ(p.points[0].y, p.points[p.count - 1].y);
      }
    }
  }
}

TEST_F(DxfTest, InputFileReaderIsChosenByTheLastFourCharacters) {
  EXPECT_TRUE(IsDxfName("a.dxf"));
  EXPECT_TRUE(IsDxfName("DRAWING.DXF"));
  EXPECT_TRUE(IsDxfName(".DxF"));
  EXPECT_FALSE(IsDxfName("dxf"));
  EXPECT_FALSE(IsDxfName("a.dxf.p2d"));
  EXPECT_FALSE(IsDxfName("a.dx"));

  const std::string polygons = dir.File("channel.p2d");
  TempDir::Write(polygons, "POLY named\n0 0 0\n1 1 0\nEND\n");
  std::snprintf(fileName, sizeof fileName, "%s", polygons.c_str());
  EXPECT_EQ(ReadInputFile(), 1);
  EXPECT_STREQ(PolygonAt(0).name, "named");

  // Drawn polygons are named by their place in the store.
  const std::string drawing = dir.File("CHANNEL.DXF");
  TempDir::Write(drawing, Text(Entities(kLine)));
  std::snprintf(fileName, sizeof fileName, "%s", drawing.c_str());
  EXPECT_EQ(ReadInputFile(), 1);
  EXPECT_STREQ(PolygonAt(1).name, "P2");
  EXPECT_EQ(PolygonAt(1).color, 1);
}

TEST_F(DxfTest, BundledDrawingHoldsTheBundledChannel) {
  std::snprintf(fileName, sizeof fileName, "%s", KESTREL_EXAMPLES_DIR "/channel.p2d");
  ASSERT_EQ(ReadPolygonFile(), 2);
  std::snprintf(fileName, sizeof fileName, "%s", KESTREL_EXAMPLES_DIR "/channel.dxf");
  ASSERT_EQ(ReadDxfFile(), 2);
  EXPECT_EQ(ui.LastStatus(), "86 lines read, 2 polygons found");
  for (int i = 0; i < 2; ++i) {
    const Polygon& expected = PolygonAt(i);
    const Polygon& read = PolygonAt(i + 2);
    EXPECT_EQ(read.closed, expected.closed);
    ASSERT_EQ(read.count, expected.count);
    for (int k = 0; k < read.count; ++k) ExpectPoint(i + 2, k, expected.points[k].x, expected.points[k].y, 0);
  }
  for (const std::string& s : ui.statuses) {
    const long percent = std::atol(s.c_str());
    if (s.find("% reading ") != std::string::npos) {
      EXPECT_LE(percent, 100) << s;
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
