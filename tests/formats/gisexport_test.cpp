#include "formats/gisexport.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "fixture.h"
#include "formats/georef.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};

class GisExportTest : public KestrelTest {
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
  // Two linked patches side by side (the second turned), a clip polygon
  // cutting one cell of the first away.
  void LinkModel() {
    patches.Rect("west", 0, 0, 30, 20, 3, 2);
    patches.Quad("east", {Corner{30, 20}, {30, 0}, {50, 0}, {50, 20}}, 2, 2);
    patches.Clip({{-1, -1}, {51, -1}, {51, 21}, {10, 21}, {10, 10}, {-1, 10}});
    patches.Build();
    ASSERT_TRUE(RunLinkStep());
  }
};

TEST_F(GisExportTest, CellsMatchTheCornersFileAndCarryTheirAttributes) {
  LinkModel();
  OGRSpatialReference utm;
  utm.importFromEPSG(32633);
  char* wkt = nullptr;
  utm.exportToWkt(&wkt);
  referenceSystem = wkt;
  CPLFree(wkt);
  ASSERT_TRUE(WriteModelFiles());
  ASSERT_TRUE(WriteGridGeoPackage("grid.gpkg"));
  EXPECT_EQ(ui.LastStatus(), "grid written to grid.gpkg: 9 cells, 3 polygons");

  // CORNERS.INP: model I, J and the four corners of every active cell.
  std::map<std::pair<int, int>, std::vector<double>> corners;
  std::istringstream lines(TempDir::Read(dir.File("CORNERS.INP")));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '*') continue;
    std::istringstream fields(line);
    int I, J;
    std::vector<double> c(8);
    fields >> I >> J;
    for (double& v : c) fields >> v;
    corners[{I, J}] = c;
  }
  ASSERT_EQ(corners.size(), 9u);

  GDALAllRegister();
  std::unique_ptr<GDALDataset, DatasetCloser> ds(
      GDALDataset::Open(dir.File("grid.gpkg").c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  ASSERT_TRUE(ds);
  OGRLayer* cells = ds->GetLayerByName("cells");
  ASSERT_NE(cells, nullptr);
  ASSERT_NE(cells->GetSpatialRef(), nullptr);
  EXPECT_TRUE(cells->GetSpatialRef()->IsProjected());
  EXPECT_EQ(cells->GetFeatureCount(), 9);
  for (auto& f : *cells) {
    const int I = f->GetFieldAsInteger("model_i"), J = f->GetFieldAsInteger("model_j");
    const auto expected = corners.find({I, J});
    ASSERT_NE(expected, corners.end()) << I << " " << J;
    const OGRPolygon* cell = f->GetGeometryRef()->toPolygon();
    const OGRLinearRing* ring = cell->getExteriorRing();
    ASSERT_EQ(ring->getNumPoints(), 5);
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(ring->getX(k), expected->second[2 * k], 0.051);
      EXPECT_NEAR(ring->getY(k), expected->second[2 * k + 1], 0.051);
    }
    const int polygon = f->GetFieldAsInteger("polygon");
    EXPECT_TRUE(polygon == 1 || polygon == 2);
    EXPECT_STREQ(f->GetFieldAsString("name"), polygon == 1 ? "west" : "east");
    EXPECT_NEAR(f->GetFieldAsDouble("dx"), 10, 1e-9);
    EXPECT_NEAR(f->GetFieldAsDouble("dy"), 10, 1e-9);
    EXPECT_NEAR(f->GetFieldAsDouble("orthogonality"), 0, 1e-9);
    EXPECT_NEAR(f->GetFieldAsDouble("aspect_ratio"), 1, 1e-9);
    EXPECT_EQ(f->GetFieldAsInteger("folded"), 0);
  }
  OGRLayer* polygons = ds->GetLayerByName("polygons");
  ASSERT_NE(polygons, nullptr);
  EXPECT_EQ(polygons->GetFeatureCount(), 3);
}

TEST_F(GisExportTest, RefusedWithoutALinkAndReportedWhenItCannotBeWritten) {
  EXPECT_FALSE(WriteGridGeoPackage("grid.gpkg"));
  EXPECT_EQ(ui.LastStatus(), "polygons must first be linked");
  EXPECT_FALSE(std::filesystem::exists(dir.File("grid.gpkg")));

  LinkModel();
  EXPECT_FALSE(WriteGridGeoPackage("no/such/folder/grid.gpkg"));
  ASSERT_FALSE(ui.notifications.empty());
  EXPECT_EQ(ui.notifications.back().code, 6470);
  EXPECT_EQ(ui.notifications.back().text, "can't create output file no/such/folder/grid.gpkg");
}

TEST_F(GisExportTest, AnOldFileIsReplacedWhole) {
  LinkModel();
  TempDir::Write(dir.File("grid.gpkg"), "not a GeoPackage");
  ASSERT_TRUE(WriteGridGeoPackage("grid.gpkg"));
  std::unique_ptr<GDALDataset, DatasetCloser> ds(
      GDALDataset::Open(dir.File("grid.gpkg").c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  ASSERT_TRUE(ds);
  EXPECT_EQ(ds->GetLayerByName("cells")->GetFeatureCount(), 9);
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1 + 2) << "the GeoPackage and the two cell map files, no leftovers";
}

}  // namespace
}  // namespace kestrel::testing
