// Inputs the fuzz targets of fuzz/ found, read as the program reads them.
// Each ran into a fault once; the sanitizer build of these tests reports it
// again should it come back.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "fixture.h"
#include "formats/dxf.h"
#include "formats/polyfile.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

class FuzzFindingsTest : public KestrelTest {
 protected:
  TempDir dir;

  void SetUp() override {
    KestrelTest::SetUp();
    view.plotWidth = 800;
    view.plotHeight = 600;
  }
  long Read(const std::string& name, const std::string& bytes) {
    std::snprintf(fileName, sizeof fileName, "%s", dir.File(name).c_str());
    TempDir::Write(fileName, bytes);
    return name.ends_with(".dxf") ? ReadDxfFile() : ReadPolygonFile();
  }
  // What opening a file does after the read, then every point through the
  // view as the plot draws it.
  std::vector<Pixel> FitAndDraw() {
    BoundAll();
    ComputeExtents();
    ZoomAll();
    std::vector<Pixel> pixels;
    for (int32_t i = 0; i < store.polygonCount; ++i) {
      for (int32_t k = 0; k < PolygonAt(i).count; ++k) {
        pixels.push_back(WorldToPixel(PolygonAt(i).points[k].x, PolygonAt(i).points[k].y));
      }
    }
    return pixels;
  }
};

// A coordinate near the largest double makes the fitted view's origin
// overflow to infinity; the conversion of such a position to a pixel was
// undefined (on x86 it wrapped to the most negative long, above the plot).
TEST_F(FuzzFindingsTest, EnormousCoordinatesGiveDefinedPixels) {
  ASSERT_EQ(Read("huge.p2d", "POLY a\n0 0\n100 01e308\n100 50\n0 0\nEND\nPOLY b\n5 5\n6 6\n7"), 2);
  for (const Pixel& p : FitAndDraw()) EXPECT_GE(p.row, 0);

  ClearPolygons();
  const std::string drawing =
      "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n10\n20\n01e308\n"
      "0\nVERTEX\n10\n10\n20\n5\n0\nSEQEND\n0\nEOF\n";
  ASSERT_EQ(Read("huge.dxf", drawing), 1);
  for (const Pixel& p : FitAndDraw()) EXPECT_GE(p.row, 0);
}

}  // namespace
}  // namespace kestrel::testing
