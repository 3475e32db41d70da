// Drawings written by programs of other kinds: ezdxf (Python) and GDAL's DXF
// driver. ezdxf also says where its curves run, which the polygons read must
// follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fixture.h"
#include "formats/dxf.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

// Writes a drawing of every entity the reader follows, on three layers, and
// beside it each curve as ezdxf flattens it in world coordinates (blocks
// exploded), one "x y" line per point and END after each curve.
const char* const kDrawingScript = R"(
import sys, ezdxf
from ezdxf import path
doc = ezdxf.new("R2010")
msp = doc.modelspace()
for name in ("RIVER", "BANKS", "PARTS"):
    doc.layers.add(name)
msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (40, 0, 0, 0, 0), (40, 20, 0, 0, -1), (20, 20)], format="xyseb",
                   dxfattribs={"layer": "RIVER"})
polyline = msp.add_polyline2d([(0, 30), (20, 30), (20, 50)], dxfattribs={"layer": "RIVER"})
polyline.vertices[0].dxf.bulge = 0.4
msp.add_circle((60, 10), 5, dxfattribs={"layer": "BANKS"})
msp.add_arc((60, 40), 8, 30, 200, dxfattribs={"layer": "BANKS"})
msp.add_ellipse((90, 10), major_axis=(6, 2), ratio=0.5, dxfattribs={"layer": "BANKS"})
msp.add_open_spline([(80, 30), (85, 38), (92, 31), (100, 40), (104, 33)], dxfattribs={"layer": "BANKS"})
inner = doc.blocks.new("INNER", base_point=(1, 1))
inner.add_lwpolyline([(0, 0), (4, 0, 0, 0, 0.3), (4, 3), (0, 3)], format="xyseb", close=True)
inner.add_circle((2, 1.5), 1, dxfattribs={"layer": "BANKS"})
outer = doc.blocks.new("OUTER")
outer.add_blockref("INNER", (10, 0), dxfattribs={"rotation": 30, "xscale": 2, "yscale": 2})
outer.add_line((0, 0), (5, 5))
msp.add_blockref("OUTER", (120, 5), dxfattribs={"layer": "PARTS", "rotation": 15, "xscale": 1.5, "yscale": 1.5})
hatch = msp.add_hatch(dxfattribs={"layer": "RIVER"})
edge = hatch.paths.add_edge_path()
edge.add_line((0, 60), (30, 60))
edge.add_arc((30, 70), 10, -90, 90)
edge.add_line((30, 80), (0, 80))
edge.add_line((0, 80), (0, 60))
hatch.paths.add_polyline_path([(10, 65), (20, 65), (20, 75), (10, 75)], is_closed=True)
doc.saveas(sys.argv[1])

def world(e):
    if e.dxftype() == "INSERT":
        for v in e.virtual_entities():
            yield from world(v)
    else:
        yield e

with open(sys.argv[2], "w") as f:
    for e in msp:
        for w in world(e):
            for p in (path.from_hatch(w) if w.dxftype() == "HATCH" else [path.make_path(w)]):
                for v in p.flattening(0.0005):
                    f.write("%r %r\n" % (v.x, v.y))
                f.write("END\n")
)";

struct Point2 {
  double x, y;
};
using Curve = std::vector<Point2>;

std::vector<Curve> ReadCurves(const std::string& file) {
  std::vector<Curve> curves(1);
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line == "END") {
      curves.emplace_back();
      continue;
    }
    std::istringstream numbers(line);
    Point2 p;
    numbers >> p.x >> p.y;
    curves.back().push_back(p);
  }
  curves.pop_back();
  return curves;
}

double ToSegment(const Point2& p, const Point2& a, const Point2& b) {
  const double ux = b.x - a.x, uy = b.y - a.y, length2 = ux * ux + uy * uy;
  const double t = length2 > 0 ? std::clamp(((p.x - a.x) * ux + (p.y - a.y) * uy) / length2, 0.0, 1.0) : 0;
  return std::hypot(p.x - a.x - t * ux, p.y - a.y - t * uy);
}

// The furthest any point of one curve lies from the other, both ways round.
double Apart(const Curve& a, const Curve& b) {
  auto oneWay = [](const Curve& from, const Curve& to) {
    double worst = 0;
    for (const Point2& p : from) {
      double nearest = HUGE_VAL;
      for (std::size_t k = 0; k + 1 < to.size(); ++k) nearest = std::min(nearest, ToSegment(p, to[k], to[k + 1]));
      if (to.size() == 1) nearest = std::hypot(p.x - to[0].x, p.y - to[0].y);
      worst = std::max(worst, nearest);
    }
    return worst;
  };
  return std::max(oneWay(a, b), oneWay(b, a));
}

Curve CurveOf(const Polygon& p) {
  Curve c;
  for (int32_t k = 0; k < p.count; ++k) c.push_back(Point2{p.points[k].x, p.points[k].y});
  return c;
}

class DxfWritersTest : public KestrelTest {
 protected:
  TempDir dir;
};

TEST_F(DxfWritersTest, EveryCurveOfAnEzdxfDrawingIsFollowed) {
  TempDir::Write(dir.File("make.py"), kDrawingScript);
  const std::string command =
      "/usr/bin/python3 '" + dir.File("make.py") + "' '" + dir.File("all.dxf") + "' '" + dir.File("curves.txt") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << "ezdxf (Debian package python3-ezdxf) writes the drawing";
  const std::vector<Curve> expected = ReadCurves(dir.File("curves.txt"));
  ASSERT_EQ(expected.size(), 11u);

  std::snprintf(fileName, sizeof fileName, "%s", dir.File("all.dxf").c_str());
  ASSERT_EQ(ReadDxfFile(), 11);
  EXPECT_TRUE(ui.notifications.empty());
  ASSERT_EQ(ui.choiceLists.size(), 1u);
  EXPECT_EQ(ui.choiceLists[0].size(), 3u);

  // Arcs within 1/2000 of the drawing's diagonal (about 150 by 90), ellipses
  // and splines closer.
  const double tolerance = std::hypot(150.0, 90.0) / 2000 + 0.001;
  std::vector<bool> matched(store.polygonCount, false);
  for (std::size_t e = 0; e < expected.size(); ++e) {
    double best = HUGE_VAL;
    int32_t which = -1;
    for (int32_t k = 0; k < store.polygonCount; ++k) {
      const double apart = Apart(expected[e], CurveOf(PolygonAt(k)));
      if (apart < best) best = apart, which = k;
    }
    EXPECT_LE(best, tolerance) << "curve " << e << " (" << expected[e].size() << " points)";
    if (which >= 0) matched[which] = true;
  }
  EXPECT_EQ(std::count(matched.begin(), matched.end(), true), 11) << "each curve is its own polygon";
  EXPECT_STREQ(PolygonAt(store.polygonCount - 1).name, "land") << "the hatch's hole";
  EXPECT_EQ(PolygonAt(2).closed, 1) << "the circle";
}

TEST_F(DxfWritersTest, PolygonsFromGdalsDrawingComeBackWithTheirHoles) {
  TempDir::Write(dir.File("lake.geojson"),
                 R"({"type": "FeatureCollection", "features": [{"type": "Feature", "properties": {},
                     "geometry": {"type": "Polygon", "coordinates": [[[0, 0], [100, 0], [100, 40], [0, 40], [0, 0]],
                     [[40, 15], [40, 25], [60, 25], [60, 15], [40, 15]]]}}]})");
  const std::string command = "ogr2ogr -f DXF '" + dir.File("lake.dxf") + "' '" + dir.File("lake.geojson") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("lake.dxf").c_str());
  ASSERT_EQ(ReadDxfFile(), 2);
  EXPECT_STREQ(PolygonAt(0).name, "P1");
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_EQ(PolygonAt(0).count, 5);
  EXPECT_STREQ(PolygonAt(1).name, "land");
  EXPECT_EQ(PolygonAt(1).points[2].x, 60);
}

}  // namespace
}  // namespace kestrel::testing
