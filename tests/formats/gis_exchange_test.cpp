// GIS layers as users bring them: written by hand as GeoJSON and turned into
// shapefiles and GeoPackages by ogr2ogr, then gridded, linked and filed.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fixture.h"
#include "formats/georef.h"
#include "formats/gis.h"
#include "formats/gisexport.h"
#include "formats/input.h"
#include "formats/layers.h"
#include "formats/polyfile.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

// A GeoJSON layer of polygon features, `crs` an EPSG code (0: none given,
// which GeoJSON reads as longitude and latitude).
std::string GeoJson(int crs, const std::vector<std::pair<std::string, std::string>>& features) {
  std::string text = R"({"type": "FeatureCollection", )";
  if (crs) text += R"("crs": {"type": "name", "properties": {"name": "EPSG:)" + std::to_string(crs) + R"("}}, )";
  text += R"("features": [)";
  for (std::size_t k = 0; k < features.size(); ++k) {
    text += (k ? ", " : "") + std::string(R"({"type": "Feature", "properties": )") + features[k].first +
            R"(, "geometry": {"type": "Polygon", "coordinates": )" + features[k].second + "}}";
  }
  return text + "]}";
}

// A lake 1000 m by 400 m with an island of 200 m by 100 m, in UTM zone 33N,
// its outer ring counter-clockwise.
const std::string kLake = GeoJson(
    32633, {{R"({"name": "20by8 lake"})",
             "[[[500000, 5800000], [501000, 5800000], [501000, 5800400], [500000, 5800400], [500000, 5800000]], "
             "[[500400, 5800150], [500400, 5800250], [500600, 5800250], [500600, 5800150], [500400, 5800150]]]"}});

void Ogr2Ogr(const std::string& args) {
  ASSERT_EQ(std::system(("ogr2ogr " + args + " 2>/dev/null").c_str()), 0) << args;
}

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};

class GisExchangeTest : public KestrelTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;

  void SetUp() override {
    KestrelTest::SetUp();
    folder.emplace(dir.path());
  }
  void TearDown() override {
    folder.reset();
    KestrelTest::TearDown();
  }
  long Open(const std::string& name) {
    ResetProgramState();
    std::snprintf(fileName, sizeof fileName, "%s", dir.File(name).c_str());
    const long added = ReadInputFile();
    BoundAll();
    ComputeExtents();
    return added;
  }
  // Steps 1, 2 and 4; true when all three succeed.
  bool GridLinkAndFile() {
    GenerateGrids();
    return gridsValid == 1 && RunLinkStep() && WriteModelFiles();
  }
};

TEST_F(GisExchangeTest, ALakeWithAnIslandGivesTheSameDeckFromEveryFormat) {
  TempDir::Write(dir.File("lake.geojson"), kLake);
  Ogr2Ogr("-f 'ESRI Shapefile' '" + dir.File("lake.shp") + "' '" + dir.File("lake.geojson") + "'");
  Ogr2Ogr("-f GPKG '" + dir.File("lake.gpkg") + "' '" + dir.File("lake.geojson") + "'");

  std::vector<double> firstNodes;
  for (const char* name : {"lake.geojson", "lake.shp", "lake.gpkg"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Open(name), 2);
    EXPECT_STREQ(PolygonAt(0).name, "20by8_lake");
    EXPECT_STREQ(PolygonAt(1).name, "land");
    ASSERT_TRUE(GridLinkAndFile()) << ui.LastStatus();
    EXPECT_EQ(cellMap.activeCount, 20 * 8 - 4 * 2) << "the 8 cells of the island are land";

    // The deck: no water cell has its centre on the island.
    std::istringstream corners(TempDir::Read(dir.File("CORNERS.INP")));
    std::string line;
    int cells = 0;
    while (std::getline(corners, line)) {
      if (line.empty() || line[0] == '*') continue;
      std::istringstream fields(line);
      int I, J;
      double x = 0, y = 0, v;
      fields >> I >> J;
      for (int k = 0; k < 8; ++k) (fields >> v), (k % 2 ? y : x) += v / 4;
      EXPECT_FALSE(x > 500400 && x < 500600 && y > 5800150 && y < 5800250) << I << " " << J;
      ++cells;
    }
    EXPECT_EQ(cells, 152);

    // The shapefile runs its rings the other way round; read, they run the
    // same way and give the same grid.
    std::vector<double> nodes(grids.x[0], grids.x[0] + (grids.ni[0] + 1) * (grids.nj[0] + 1));
    if (firstNodes.empty()) {
      firstNodes = nodes;
    } else {
      ASSERT_EQ(nodes.size(), firstNodes.size());
      for (std::size_t k = 0; k < nodes.size(); ++k) ASSERT_NEAR(nodes[k], firstNodes[k], 1e-6) << k;
    }
  }
}

TEST_F(GisExchangeTest, TheGridExportOpensAgainAsItsPolygonsAndLinks) {
  TempDir::Write(dir.File("lake.geojson"), kLake);
  ASSERT_EQ(Open("lake.geojson"), 2);
  const std::string utm = referenceSystem;
  int32_t* corners = PolygonAt(0).corners;
  corners[0] = 1, corners[1] = 2, corners[2] = 3, corners[3] = 4;
  cornerMarks = 1;
  ASSERT_TRUE(GridLinkAndFile());
  const int32_t active = cellMap.activeCount;
  ASSERT_TRUE(WriteGridGeoPackage(dir.File("lake-grid.gpkg").c_str()));

  ASSERT_EQ(Open("lake-grid.gpkg"), 2) << "its polygons, not its cells";
  EXPECT_NE(ui.LastStatus().find("from layer polygons of a Kestrel grid export"), std::string::npos) << ui.LastStatus();
  OGRSpatialReference before, after;
  before.importFromWkt(utm.c_str());
  ASSERT_EQ(after.importFromWkt(referenceSystem.c_str()), OGRERR_NONE);
  EXPECT_TRUE(before.IsSame(&after));
  EXPECT_EQ(std::vector<int32_t>(PolygonAt(0).corners, PolygonAt(0).corners + 4), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(cornerMarks, 1);
  ASSERT_TRUE(GridLinkAndFile());
  EXPECT_EQ(cellMap.activeCount, active);

  // The export never goes over the file the polygons came from.
  EXPECT_FALSE(WriteGridGeoPackage(dir.File("lake-grid.gpkg").c_str()));
  EXPECT_EQ(ui.LastStatus(), "the grid is not written over " + dir.File("lake-grid.gpkg") +
                                 ", which the polygons were read from: choose another name");
  ExportGrid();
  ASSERT_EQ(ui.saveProposals.size(), 1u);
  EXPECT_EQ(ui.saveProposals[0], dir.File("lake-grid-grid.gpkg"));
}

TEST_F(GisExchangeTest, WithoutAReferenceSystemTheExportIsUndefinedCartesian) {
  PatchBuilder patches;
  patches.Rect("west", 0, 0, 30, 20, 3, 2);
  patches.Build();
  ASSERT_TRUE(RunLinkStep());
  ASSERT_TRUE(WriteGridGeoPackage(dir.File("plain.gpkg").c_str()));
  {
    GDALAllRegister();
    std::unique_ptr<GDALDataset, DatasetCloser> ds(
        GDALDataset::Open(dir.File("plain.gpkg").c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
    ASSERT_TRUE(ds);
    OGRLayer* ids = ds->ExecuteSQL("SELECT DISTINCT srs_id FROM gpkg_contents", nullptr, nullptr);
    ASSERT_NE(ids, nullptr);
    ASSERT_EQ(ids->GetFeatureCount(), 1);
    std::unique_ptr<OGRFeature> f(ids->GetNextFeature());
    EXPECT_EQ(f->GetFieldAsInteger(0), -1);
    ds->ReleaseResultSet(ids);
  }
  ASSERT_EQ(Open("plain.gpkg"), 1);
  EXPECT_TRUE(referenceSystem.empty());
  EXPECT_TRUE(ui.notifications.empty()) << "neither longitude and latitude nor a missing system";
  EXPECT_EQ(PolygonAt(0).points[2].x, 30);
}

TEST_F(GisExchangeTest, TheReferenceSystemFollowsEveryOpenAndSave) {
  TempDir::Write(dir.File("lake.geojson"), kLake);
  TempDir::Write(dir.File("plan.dxf"), "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n5\n21\n5\n0\nEOF\n");
  const std::string saved = dir.File("river.p2d");
  auto save = [&] {
    std::snprintf(fileName, sizeof fileName, "%s", saved.c_str());
    return WritePolygonFile();
  };
  ASSERT_EQ(Open("lake.geojson"), 2);
  const std::string utm = referenceSystem;
  ASSERT_TRUE(save());
  EXPECT_EQ(TempDir::Read(dir.File("river.prj")), utm + "\n");

  // A drawing in local metres has no reference system: the one written
  // before is no longer true of these polygons.
  ASSERT_EQ(Open("plan.dxf"), 1);
  EXPECT_TRUE(referenceSystem.empty());
  ASSERT_TRUE(save());
  EXPECT_NE(ui.LastStatus().find("; river.prj removed (the polygons have no reference system)"), std::string::npos);
  Open("river.p2d");
  EXPECT_TRUE(referenceSystem.empty());

  // Another program's river.prj (a raster's, say) stays as it was.
  const std::string foreign = R"(PROJCS["WGS_1984_UTM_Zone_33N",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",)"
                              R"(SPHEROID["WGS_1984",6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],)"
                              R"(UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],)"
                              R"(PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],)"
                              R"(PARAMETER["Central_Meridian",15.0],PARAMETER["Scale_Factor",0.9996],)"
                              R"(PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]])";
  TempDir::Write(dir.File("river.prj"), foreign);
  ASSERT_EQ(Open("lake.geojson"), 2);
  ASSERT_TRUE(save());
  EXPECT_EQ(TempDir::Read(dir.File("river.prj")), foreign);
  EXPECT_EQ(TempDir::Read(dir.File("river.p2d.prj")), utm + "\n");
  EXPECT_NE(ui.LastStatus().find("; river.prj kept, the reference system is in river.p2d.prj"), std::string::npos);
  Open("river.p2d");
  EXPECT_EQ(referenceSystem, utm);
}

TEST_F(GisExchangeTest, ALayerAcrossTheDatelineKeepsItsShape) {
  // 0.1 degree wide across the 180th meridian at 17 degrees south.
  TempDir::Write(dir.File("fiji.geojson"), GeoJson(0, {{R"({"name": "reef"})",
                                                        "[[[179.95, -17.0], [-179.95, -17.0], [-179.95, -16.9], "
                                                        "[179.95, -16.9], [179.95, -17.0]]]"}}));
  ASSERT_EQ(Open("fiji.geojson"), 1);
  EXPECT_TRUE(ui.LastStatus().find("UTM zone 1S") != std::string::npos ||
              ui.LastStatus().find("UTM zone 60S") != std::string::npos)
      << ui.LastStatus();
  const Polygon& p = PolygonAt(0);
  EXPECT_NEAR(p.points[1].x - p.points[0].x, 10.6e3, 0.2e3) << "10.6 km eastwards, not around the world";
  EXPECT_NEAR(p.points[2].y - p.points[1].y, 11.1e3, 0.2e3);
}

TEST_F(GisExchangeTest, FeetAreNamedAndConvertedWhenAsked) {
  // California zone 3 in US survey feet.
  TempDir::Write(dir.File("bay.geojson"), GeoJson(2227, {{R"({"name": "bay"})",
                                                          "[[[6000000, 2100000], [6001000, 2100000], [6001000, "
                                                          "2100500], [6000000, 2100000]]]"}}));
  Ogr2Ogr("-f GPKG '" + dir.File("bay.gpkg") + "' '" + dir.File("bay.geojson") + "'");
  ASSERT_EQ(Open("bay.gpkg"), 1);
  EXPECT_EQ(ui.questions.size(), 1u) << "asked, and the answer was no";
  EXPECT_NE(ui.LastStatus().find("; in US survey foot (1 unit = 0.3048006096 m), not metres"), std::string::npos)
      << ui.LastStatus();
  EXPECT_EQ(PolygonAt(0).points[1].x, 6001000);

  ui.answers.push_back(Answer::Yes);
  ASSERT_EQ(Open("bay.gpkg"), 1);
  EXPECT_NE(ui.LastStatus().find("; converted from US survey foot (0.3048006096 m) to metres"), std::string::npos);
  EXPECT_NEAR(PolygonAt(0).points[1].x, 6001000 * 1200.0 / 3937, 1e-6);
  OGRSpatialReference metres;
  ASSERT_EQ(metres.importFromWkt(referenceSystem.c_str()), OGRERR_NONE);
  EXPECT_EQ(metres.GetLinearUnits(), 1.0);
  // The same place: the converted system maps metres where the original maps feet.
  OGRSpatialReference feet;
  feet.importFromEPSG(2227);
  feet.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  metres.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&feet, &metres));
  double x = 6001000, y = 2100000;
  ASSERT_TRUE(t && t->Transform(1, &x, &y));
  EXPECT_NEAR(x, PolygonAt(0).points[1].x, 1e-3);
  EXPECT_NEAR(y, PolygonAt(0).points[1].y, 1e-3);
}

TEST_F(GisExchangeTest, NamesComeFromTheFirstFilledNameFieldCutOnACharacter) {
  // 16 two-byte characters: 32 bytes, one more than a name holds.
  TempDir::Write(
      dir.File("names.geojson"),
      GeoJson(32633, {{R"({"Name": null, "name": "12by5 reach"})", "[[[0, 0], [10, 0], [10, 5], [0, 0]]]"},
                      {R"({"Name": "", "name": "ääääääääääääääää"})", "[[[20, 0], [30, 0], [30, 5], [20, 0]]]"}}));
  ASSERT_EQ(Open("names.geojson"), 2);
  EXPECT_STREQ(PolygonAt(0).name, "12by5_reach");
  EXPECT_STREQ(PolygonAt(1).name, "ääääääääääääääää" + 2) << "cut before the character that does not fit";
  EXPECT_EQ(std::string(PolygonAt(1).name).size(), 30u);
}

TEST_F(GisExchangeTest, LongitudeAndLatitudeWithoutAReferenceSystemAreRecognised) {
  TempDir::Write(dir.File("lonlat.geojson"),
                 GeoJson(0, {{R"({"name": "reach"})",
                              "[[[9.95, 53.54], [9.96, 53.54], [9.96, 53.55], [9.95, 53.55], [9.95, 53.54]]]"}}));
  Ogr2Ogr("-f 'ESRI Shapefile' '" + dir.File("lonlat.shp") + "' '" + dir.File("lonlat.geojson") + "'");
  std::remove(dir.File("lonlat.prj").c_str());
  ASSERT_EQ(Open("lonlat.shp"), 1);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2935);
  EXPECT_NE(ui.notifications[0].text.find("They look like longitude and latitude"), std::string::npos);
  EXPECT_NE(ui.notifications[0].text.find("(WGS 84 / UTM zone 32N would fit)"), std::string::npos);
}

}  // namespace
}  // namespace kestrel::testing
