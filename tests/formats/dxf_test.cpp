#include "formats/dxf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fixture.h"
#include "formats/georef.h"
#include "formats/input.h"
#include "formats/layers.h"
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
      // Along the x axis the arbitrary-axis rule turns (x, y, z) into (z, x, y);
      // the direction need not be of unit length.
      Lw({{"1", "2"}, {"4", "5"}}, {{38, "3"}, {210, "2.5"}, {230, "0"}}),
      // Within 0.01 of (0, 0, 1), or of no length at all: nothing moves.
      Lw({{"1", "2"}, {"4", "5"}}, {{38, "3"}, {230, "1.005"}}),
      Lw({{"1", "2"}, {"4", "5"}}, {{38, "3"}, {230, "0"}}),
      // The end points of a LINE are world coordinates, whatever its
      // extrusion direction (which only orients its thickness).
      {{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "-4"}, {21, "5"}, {31, "-6"}, {230, "-1"}},
  }));
  ASSERT_EQ(Read(pairs), 5);
  ExpectPoint(0, 0, -1, 2, -3);
  ExpectPoint(0, 2, -4, 6, -3);
  ExpectPoint(1, 0, 3, 1, 2);
  ExpectPoint(1, 1, 3, 4, 5);
  ExpectPoint(2, 1, 4, 5, 3);
  ExpectPoint(3, 0, 1, 2, 3);
  ExpectPoint(4, 0, 1, 2, 3);
  ExpectPoint(4, 1, -4, 5, -6);
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

// The points of polygon k from `from` to `to` lie on the circle, and no
// chord between them leaves it by more than `tolerance`.
void ExpectOnArc(int k, int from, int to, double cx, double cy, double radius, double tolerance) {
  const Polygon& p = PolygonAt(k);
  ASSERT_LT(to, p.count);
  for (int n = from; n <= to; ++n) {
    EXPECT_NEAR(std::hypot(p.points[n].x - cx, p.points[n].y - cy), radius, 1e-9) << "point " << n;
    if (n == from) continue;
    const double chord = std::hypot(p.points[n].x - p.points[n - 1].x, p.points[n].y - p.points[n - 1].y);
    const double sagitta = radius - std::sqrt(radius * radius - chord * chord / 4);
    EXPECT_LE(sagitta, tolerance) << "chord to point " << n;
    EXPECT_GT(chord, 0);
  }
}

TEST_F(DxfTest, BulgesAreFollowedAsArcsOnBothPolylineKinds) {
  const Pairs pairs = Entities(Join({
      // A half turn counter-clockwise from (0, 0) to (10, 0): below the chord.
      {{0, "LWPOLYLINE"}, {90, "2"}, {10, "0"}, {20, "0"}, {42, "1"}, {10, "10"}, {20, "0"}},
      {{0, "POLYLINE"},
       {0, "VERTEX"},
       {10, "0"},
       {20, "20"},
       {42, "-1"},
       {0, "VERTEX"},
       {10, "10"},
       {20, "20"},
       {0, "SEQEND"}},
      // Closed by its flag: the bulge of the last vertex bends the closing segment.
      {{0, "LWPOLYLINE"},
       {90, "3"},
       {70, "1"},
       {10, "0"},
       {20, "30"},
       {10, "10"},
       {20, "30"},
       {10, "10"},
       {20, "40"},
       {42, "1"}},
  }));
  ASSERT_EQ(Read(pairs), 3);
  // The drawing reaches from (-5, -5) down to (0..10, 40): arcs within 1/2000 of its diagonal.
  const double tolerance = std::hypot(15.0, 45.0) / 2000;
  const Polygon& lw = PolygonAt(0);
  ASSERT_GT(lw.count, 8);
  ExpectPoint(0, 0, 0, 0, 0);
  ExpectPoint(0, lw.count - 1, 10, 0, 0);
  ExpectOnArc(0, 0, lw.count - 1, 5, 0, 5, tolerance);
  for (int n = 1; n < lw.count - 1; ++n) EXPECT_LT(lw.points[n].y, 0);
  // Clockwise: above its chord.
  const Polygon& pl = PolygonAt(1);
  ExpectOnArc(1, 0, pl.count - 1, 5, 20, 5, tolerance);
  for (int n = 1; n < pl.count - 1; ++n) EXPECT_GT(pl.points[n].y, 20);
  const Polygon& closed = PolygonAt(2);
  EXPECT_EQ(closed.closed, 1);
  ExpectPoint(2, 2, 10, 40, 0);
  ExpectPoint(2, closed.count - 1, 0, 30, 0);
  ExpectOnArc(2, 2, closed.count - 1, 5, 35, std::hypot(5.0, 5.0), tolerance);
}

TEST_F(DxfTest, CirclesArcsAndBlocksInsideBlocks) {
  const Pairs blocks = {{0, "SECTION"},
                        {2, "BLOCKS"},
                        // A unit square on layer 0, its base at (0, 0).
                        {0, "BLOCK"},
                        {2, "inner"},
                        {10, "0"},
                        {20, "0"},
                        {0, "LWPOLYLINE"},
                        {8, "0"},
                        {90, "4"},
                        {70, "1"},
                        {10, "0"},
                        {20, "0"},
                        {10, "1"},
                        {20, "0"},
                        {10, "1"},
                        {20, "1"},
                        {10, "0"},
                        {20, "1"},
                        {0, "ENDBLK"},
                        // The square twice its size at (1, 1), the block based at (1, 1).
                        {0, "BLOCK"},
                        {2, "OUTER"},
                        {10, "1"},
                        {20, "1"},
                        {0, "INSERT"},
                        {2, "INNER"},
                        {8, "0"},
                        {10, "1"},
                        {20, "1"},
                        {41, "2"},
                        {42, "2"},
                        {0, "INSERT"},
                        {2, "NONE"},
                        {0, "ENDBLK"},
                        {0, "ENDSEC"}};
  const Pairs entities = {{0, "CIRCLE"},
                          {8, "banks"},
                          {10, "5"},
                          {20, "5"},
                          {30, "2"},
                          {40, "2"},
                          {0, "ARC"},
                          {8, "BANKS"},
                          {10, "0"},
                          {20, "0"},
                          {40, "10"},
                          {50, "0"},
                          {51, "90"},
                          // Turned a quarter and put at (100, 0): its layer goes to the square.
                          {0, "INSERT"},
                          {8, "PARTS"},
                          {2, "outer"},
                          {10, "100"},
                          {20, "0"},
                          {50, "90"},
                          {0, "TEXT"},
                          {1, "title"}};
  ASSERT_EQ(Read(Join({blocks, Entities(entities)})), 3);
  const double tolerance = std::hypot(110.0, 10.0) / 2000;
  const Polygon& circle = PolygonAt(0);
  EXPECT_EQ(circle.closed, 1);
  ASSERT_GE(circle.count, 9);
  EXPECT_EQ(circle.points[0].x, circle.points[circle.count - 1].x);
  EXPECT_EQ(circle.points[1].z, 2);
  ExpectOnArc(0, 0, circle.count - 1, 5, 5, 2, tolerance);
  const Polygon& arc = PolygonAt(1);
  EXPECT_EQ(arc.closed, 0);
  EXPECT_NEAR(arc.points[0].x, 10, 1e-12);
  EXPECT_NEAR(arc.points[arc.count - 1].y, 10, 1e-12);
  ExpectOnArc(1, 0, arc.count - 1, 0, 0, 10, tolerance);

  const Polygon& square = PolygonAt(2);
  ASSERT_EQ(square.count, 5);
  const double expected[4][2] = {{100, 0}, {100, 2}, {98, 2}, {98, 0}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(square.points[k].x, expected[k][0], 1e-12) << k;
    EXPECT_NEAR(square.points[k].y, expected[k][1], 1e-12) << k;
  }
  EXPECT_EQ(ui.choiceLists.size(), 1u) << "two layers: the user was asked";
  EXPECT_EQ(ui.LastStatus(), std::to_string(2 * (blocks.size() + entities.size() + 4)) +
                                 " lines read, 3 polygons found from layers banks (2), PARTS (1); 2 entities not read: "
                                 "INSERT of a block that is not defined (1), TEXT (1)");
}

TEST_F(DxfTest, HatchBoundariesWithAHoleOfLand) {
  const Pairs hatch = {{0, "HATCH"},
                       {8, "LAKE"},
                       {10, "0"},
                       {20, "0"},
                       {30, "1.5"},
                       {2, "SOLID"},
                       {70, "1"},
                       {71, "0"},
                       {91, "2"},
                       // Edges: three lines and a half circle over the top, counter-clockwise.
                       {92, "1"},
                       {93, "4"},
                       {72, "1"},
                       {10, "0"},
                       {20, "0"},
                       {11, "10"},
                       {21, "0"},
                       {72, "1"},
                       {10, "10"},
                       {20, "0"},
                       {11, "10"},
                       {21, "10"},
                       {72, "2"},
                       {10, "5"},
                       {20, "10"},
                       {40, "5"},
                       {50, "0"},
                       {51, "180"},
                       {73, "1"},
                       {72, "1"},
                       {10, "0"},
                       {20, "10"},
                       {11, "0"},
                       {21, "0"},
                       {97, "0"},
                       // A polyline path inside it: the island.
                       {92, "2"},
                       {72, "0"},
                       {73, "1"},
                       {93, "4"},
                       {10, "4"},
                       {20, "4"},
                       {10, "6"},
                       {20, "4"},
                       {10, "6"},
                       {20, "6"},
                       {10, "4"},
                       {20, "6"},
                       {97, "1"},
                       {330, "1F"},
                       {75, "0"},
                       {76, "1"},
                       {98, "1"},
                       {10, "5"},
                       {20, "5"}};
  ASSERT_EQ(Read(Entities(hatch)), 2);
  const Polygon& lake = PolygonAt(0);
  EXPECT_STREQ(lake.name, "P1");
  EXPECT_EQ(lake.closed, 1);
  double top = 0;
  for (int k = 0; k < lake.count; ++k) top = std::max(top, lake.points[k].y);
  EXPECT_NEAR(top, 15, std::hypot(10.0, 15.0) / 2000);
  EXPECT_EQ(lake.points[0].z, 1.5);
  const Polygon& island = PolygonAt(1);
  EXPECT_STREQ(island.name, "land");
  EXPECT_EQ(island.closed, 1);
  EXPECT_EQ(island.count, 5);
  ExpectPoint(1, 2, 6, 6, 1.5);
}

TEST_F(DxfTest, LayersAreChosenByNameOrInTheDialog) {
  const std::string text =
      Text(Entities(Join({Lw({{"0", "0"}, {"1", "0"}}, {{8, "RIVER"}}), Lw({{"0", "5"}, {"1", "5"}}, {{8, "TITLE"}}),
                          Lw({{"0", "7"}, {"1", "7"}}, {{8, "River"}})})));
  readChoices.layers = {"river"};
  ASSERT_EQ(ReadText(text), 2);
  EXPECT_NE(ui.LastStatus().find("polygons found from layer RIVER; layers left out: TITLE (1)"), std::string::npos)
      << ui.LastStatus();
  EXPECT_TRUE(ui.choiceLists.empty());

  Restart();
  readChoices.layers = {"NOPE"};
  EXPECT_EQ(ReadText(text), 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2941);
  EXPECT_EQ(ui.notifications[0].text, std::string(fileName) + " has no layer NOPE;\nits layers are: RIVER, TITLE");

  Restart();
  ui.choices.push_back(std::vector<bool>{false, true});
  ASSERT_EQ(ReadText(text), 1);
  ASSERT_EQ(ui.choiceLists.size(), 1u);
  EXPECT_EQ(ui.choiceLists[0], (std::vector<std::string>{"RIVER (2 entities)", "TITLE (1 entity)"}));
  EXPECT_EQ(PolygonAt(0).points[0].y, 5);

  Restart();
  ui.choices.push_back(std::nullopt);
  EXPECT_EQ(ReadText(text), 0);
  EXPECT_TRUE(ui.notifications.empty());
  EXPECT_EQ(ui.LastStatus(), std::string("nothing read from ") + fileName);
}

TEST_F(DxfTest, MeshesAndOtherEntitiesAreCountedNotRead) {
  const Pairs pairs = Entities(Join({
      {{0, "POLYLINE"},
       {70, "64"},
       {0, "VERTEX"},
       {10, "1"},
       {20, "1"},
       {70, "192"},
       {0, "VERTEX"},
       {70, "128"},
       {71, "1"},
       {72, "2"},
       {73, "3"},
       {0, "SEQEND"}},
      {{0, "POINT"}, {10, "1"}, {20, "1"}, {0, "TEXT"}, {1, "a"}, {0, "TEXT"}, {1, "b"}},
      Lw({{"0", "0"}, {"1", "0"}}),
  }));
  ASSERT_EQ(Read(pairs), 1);
  EXPECT_EQ(PolygonAt(0).count, 2) << "no points at (0, 0, 0) from the mesh's face records";
  EXPECT_NE(ui.LastStatus().find(" polygons found; 4 entities not read: TEXT (2), POINT (1), polyface mesh (1)"),
            std::string::npos)
      << ui.LastStatus();
}

TEST_F(DxfTest, ADrawingHasTheReferenceSystemBesideIt) {
  TempDir::Write(dir.File("drawing.prj"), "PROJCS[\"local\"]\n");
  referenceSystem = "left over from the file before";
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("drawing.dxf").c_str());
  TempDir::Write(fileName, Text(Entities(kLine)));
  ASSERT_EQ(ReadInputFile(), 1);
  EXPECT_EQ(referenceSystem, "PROJCS[\"local\"]");
  std::remove(dir.File("drawing.prj").c_str());
  ASSERT_EQ(ReadInputFile(), 1);
  EXPECT_TRUE(referenceSystem.empty()) << "a drawing without a .prj has none";
}

}  // namespace
}  // namespace kestrel::testing
