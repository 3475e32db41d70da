// Depths from survey data: the readers, the per-cell depths, and what step 4
// writes with them.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>

#include "depth/bathymetry.h"
#include "depth/celldepth.h"
#include "depth/pointindex.h"
#include "fixture.h"
#include "formats/decimal.h"
#include "formats/georef.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "patches.h"

namespace kestrel::testing {
namespace {

// A sloping bed: bottom elevation -3 m at the origin, falling 2 cm a metre
// towards +x and rising 1 cm a metre towards +y.
double Plane(double x, double y) { return -3.0 - 0.02 * x + 0.01 * y; }
constexpr double kSlope = 0.0223607;  // the plane's steepest gradient

std::string Wkt(int epsg) {
  OGRSpatialReference srs;
  srs.importFromEPSG(epsg);
  char* wkt = nullptr;
  srs.exportToWkt(&wkt);
  std::string text = wkt;
  CPLFree(wkt);
  return text;
}

class DepthTest : public KestrelTest {
 protected:
  TempDir dir;
  PatchBuilder patches;

  // A turned and sheared patch of 12 x 8 cells of about 7 x 6 m.
  void SkewedGrid(double x0 = 20, double y0 = 10) {
    patches.Quad("bed", {Corner{x0, y0}, {x0 + 80, y0 + 20}, {x0 + 70, y0 + 70}, {x0 - 5, y0 + 45}}, 12, 8);
    patches.Build();
  }
  std::string Write(const std::string& name, const std::string& text) {
    TempDir::Write(dir.File(name), text);
    return dir.File(name);
  }
  // Calls check(cell, centre x, centre y) for every active cell.
  template <typename Check>
  void EveryCell(const DepthField& field, Check check) {
    for (int32_t k = 0; k < grids.patchCount; ++k) {
      for (int32_t j = 0; j < grids.nj[k]; ++j) {
        for (int32_t i = 0; i < grids.ni[k]; ++i) {
          double cx, cy;
          CellCentre(k, i, j, cx, cy);
          check(field.cells[k][static_cast<size_t>(j) * grids.ni[k] + i], cx, cy);
        }
      }
    }
  }
  // A GeoTIFF of the plane on `n` x `n` cells of `size` from (x0, y0) up
  // (top left at x0, y0 + n * size), in the reference system `epsg` (the
  // plane is taken in that of the store, EPSG 32633, when `epsg` differs).
  std::string PlaneRaster(const char* name, double x0, double y0, double size, int n, int epsg = 0) {
    GDALAllRegister();
    const std::string path = dir.File(name);
    GDALDataset* data =
        GetGDALDriverManager()->GetDriverByName("GTiff")->Create(path.c_str(), n, n, 1, GDT_Float32, nullptr);
    double t[6] = {x0, size, 0, y0 + n * size, 0, -size};
    data->SetGeoTransform(t);
    std::unique_ptr<OGRCoordinateTransformation> toStore;
    if (epsg) {
      OGRSpatialReference from, to;
      from.importFromEPSG(epsg);
      to.importFromEPSG(32633);
      from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      data->SetProjection(Wkt(epsg).c_str());
      toStore.reset(OGRCreateCoordinateTransformation(&from, &to));
    }
    std::vector<float> values(static_cast<size_t>(n) * n);
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        double x = x0 + (c + 0.5) * size, y = y0 + (n - r - 0.5) * size;
        if (toStore) toStore->Transform(1, &x, &y);
        values[static_cast<size_t>(r) * n + c] = static_cast<float>(Plane(x - 500000, y - 5000000));
      }
    }
    EXPECT_EQ(data->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, n, n, values.data(), n, n, GDT_Float32, 0, 0), CE_None);
    GDALClose(data);
    return path;
  }
};

TEST_F(DepthTest, ScatteredPointsOfASlopingBedGiveThePlaneAtEveryCell) {
  SkewedGrid();
  // 2000 points over a box a little larger than the grid: most cells hold
  // some, the rest lie between them.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> ux(5, 110), uy(0, 90);
  std::ostringstream text;
  text.precision(12);
  for (int n = 0; n < 800; ++n) {
    const double x = ux(random), y = uy(random);
    text << x << ' ' << y << ' ' << Plane(x, y) << '\n';
  }
  ASSERT_TRUE(AddBathymetrySource(Write("bed.xyz", text.str()).c_str()));
  EXPECT_EQ(ui.LastStatus(), "bathymetry: 800 survey points from bed.xyz; no reference system");
  depthOptions.waterLevel = 0.5;
  const DepthField* field = CurrentDepths();
  ASSERT_NE(field, nullptr);
  EXPECT_GT(field->count[static_cast<int>(DepthMethod::PointMean)], 0);
  EXPECT_GT(field->count[static_cast<int>(DepthMethod::Linear)], 0);
  EXPECT_EQ(field->count[static_cast<int>(DepthMethod::Nearest)], 0);
  // A plane is linear: the interpolation between points is exact, and the
  // mean of the points in a cell lies within the slope over half the cell.
  EveryCell(*field, [&](const CellDepth& d, double cx, double cy) {
    const double tolerance = d.method == DepthMethod::Linear ? 1e-9 : kSlope * 5;
    EXPECT_NEAR(d.elevation, Plane(cx, cy), tolerance);
    EXPECT_DOUBLE_EQ(d.depth, 0.5 - d.elevation);
  });
}

TEST_F(DepthTest, ALargeSurveyFarFromTheGridStillReachesItsCells) {
  patches.Rect("bed", 0, 0, 10, 10, 2, 2);
  patches.Build();
  // A dense cluster far away and two points beside the grid: only the whole
  // survey spans a triangle over the cells.
  std::ostringstream text;
  text.precision(12);
  for (int n = 0; n < 51000; ++n) {
    const double x = 5000 + (n % 200) * 0.5, y = 5000 + (n / 200) * 0.5;
    text << x << ' ' << y << ' ' << Plane(x, y) << '\n';
  }
  text << "-50 -500 " << Plane(-50, -500) << "\n-50 60 " << Plane(-50, 60) << '\n';
  ASSERT_TRUE(AddBathymetrySource(Write("far.xyz", text.str()).c_str()));
  const DepthField* field = CurrentDepths();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->count[static_cast<int>(DepthMethod::Linear)], 4);
  EveryCell(*field, [&](const CellDepth& d, double cx, double cy) { EXPECT_NEAR(d.elevation, Plane(cx, cy), 1e-6); });
}

TEST_F(DepthTest, RastersFinerAndCoarserThanTheCellsGiveThePlane) {
  SkewedGrid(500020, 5000010);
  referenceSystem = Wkt(32633);
  // Cells of 1 m: the mean of the raster cells inside each model cell.
  ASSERT_TRUE(AddBathymetrySource(PlaneRaster("fine.tif", 500000, 5000000, 1.0, 120, 32633).c_str()));
  EXPECT_EQ(ui.LastStatus(), "bathymetry: a raster of 120 x 120 cells from fine.tif");
  const DepthField* fine = CurrentDepths();
  ASSERT_NE(fine, nullptr);
  EXPECT_EQ(fine->count[static_cast<int>(DepthMethod::RasterMean)], 96);
  EveryCell(*fine, [&](const CellDepth& d, double cx, double cy) {
    EXPECT_NEAR(d.elevation, Plane(cx - 500000, cy - 5000000), kSlope * 1.0);
  });

  // Cells of 20 m: bilinear at the centre, exact on a plane, unless a
  // raster cell's centre lies in the model cell.
  bathymetrySources.clear();
  ASSERT_TRUE(AddBathymetrySource(PlaneRaster("coarse.tif", 499980, 4999980, 20.0, 9, 32633).c_str()));
  const DepthField* coarse = CurrentDepths();
  ASSERT_NE(coarse, nullptr);
  EXPECT_GT(coarse->count[static_cast<int>(DepthMethod::Bilinear)], 60);
  EXPECT_EQ(
      coarse->count[static_cast<int>(DepthMethod::Bilinear)] + coarse->count[static_cast<int>(DepthMethod::RasterMean)],
      96);
  EveryCell(*coarse, [&](const CellDepth& d, double cx, double cy) {
    EXPECT_NEAR(d.elevation, Plane(cx - 500000, cy - 5000000), d.method == DepthMethod::Bilinear ? 1e-5 : kSlope * 5);
  });
}

TEST_F(DepthTest, DataInLongitudeAndLatitudeIsMovedOntoTheGrid) {
  SkewedGrid(500020, 5000010);
  referenceSystem = Wkt(32633);  // UTM 33 north: 500000 E is 15 degrees east
  // Points: lon/lat text with a .prj beside it.
  OGRSpatialReference utm, geographic;
  utm.importFromEPSG(32633);
  geographic.importFromEPSG(4326);
  utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> toLonLat(OGRCreateCoordinateTransformation(&utm, &geographic));
  std::ostringstream text;
  text.precision(12);
  for (double x = 500000; x <= 500120; x += 15) {
    for (double y = 5000000; y <= 5000100; y += 15) {
      double lon = x, lat = y;
      toLonLat->Transform(1, &lon, &lat);
      text << lon << ", " << lat << ", " << Plane(x - 500000, y - 5000000) << "\n";
    }
  }
  Write("lonlat.prj", "EPSG:4326");
  ASSERT_TRUE(AddBathymetrySource(Write("lonlat.csv", text.str()).c_str()));
  const DepthField* field = CurrentDepths();
  ASSERT_NE(field, nullptr);
  EveryCell(*field, [&](const CellDepth& d, double cx, double cy) {
    EXPECT_NEAR(d.elevation, Plane(cx - 500000, cy - 5000000), d.method == DepthMethod::Linear ? 1e-3 : kSlope * 5);
  });

  // A raster in lon/lat: the cells go to it.
  bathymetrySources.clear();
  double lon0 = 499900, lat0 = 4999900;
  toLonLat->Transform(1, &lon0, &lat0);
  ASSERT_TRUE(AddBathymetrySource(PlaneRaster("lonlat.tif", lon0, lat0, 0.0005, 12, 4326).c_str()));
  const DepthField* raster = CurrentDepths();
  ASSERT_NE(raster, nullptr);
  EXPECT_EQ(raster->count[static_cast<int>(DepthMethod::Nearest)], 0);
  EveryCell(*raster, [&](const CellDepth& d, double cx, double cy) {
    EXPECT_NEAR(d.elevation, Plane(cx - 500000, cy - 5000000), d.method == DepthMethod::Bilinear ? 1e-3 : kSlope * 5);
  });

  // Without a reference system for the polygons, lon/lat cannot be placed.
  referenceSystem.clear();
  EXPECT_EQ(CurrentDepths(), nullptr);
  ASSERT_FALSE(ui.notifications.empty());
  EXPECT_NE(ui.notifications.back().text.find("lonlat.tif is in longitude and latitude"), std::string::npos)
      << ui.notifications.back().text;
}

TEST_F(DepthTest, ALayerOfPointsWithAnAttribute) {
  SkewedGrid();
  std::string features;
  int n = 0;
  for (double x = 10; x <= 110; x += 10) {
    for (double y = 0; y <= 90; y += 10) {
      features += std::string(n++ ? "," : "") + R"({"type":"Feature","properties":{"Elev":)" +
                  FixedDecimal(Plane(x, y), 6) + R"(},"geometry":{"type":"Point","coordinates":[)" +
                  FixedDecimal(x, 1) + "," + FixedDecimal(y, 1) + "]}}";
    }
  }
  // Feature 111 has no value, feature 112 is a line.
  features += R"(,{"type":"Feature","properties":{"Elev":null},"geometry":{"type":"Point","coordinates":[1,1]}})";
  features +=
      R"(,{"type":"Feature","properties":{"Elev":1},"geometry":{"type":"LineString","coordinates":[[0,0],[1,1]]}})";
  const std::string name =
      Write("bed.geojson", R"({"type":"FeatureCollection",)"
                           R"("crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::32633"}},"features":[)" +
                               features + "]}");
  ASSERT_TRUE(AddBathymetrySource(name.c_str()));
  EXPECT_EQ(ui.LastStatus(),
            "bathymetry: 110 survey points from bed.geojson (attribute Elev); 1 features without a value skipped: "
            "111; 1 features that are not points left out");
  const DepthField* field = CurrentDepths();
  ASSERT_NE(field, nullptr) << (ui.notifications.empty() ? "" : ui.notifications.back().text);
  EveryCell(*field, [&](const CellDepth& d, double cx, double cy) {
    EXPECT_NEAR(d.elevation, Plane(cx, cy), d.method == DepthMethod::Linear ? 1e-6 : kSlope * 5);
  });
}

TEST_F(DepthTest, TextFilesReportWhatTheySkip) {
  const std::string name = Write("survey.csv",
                                 "\xEF\xBB\xBF"
                                 "# survey of 2024\n"
                                 "id;North;East;Depth\n"
                                 "1;20;10;-2.5\n"
                                 "\n"
                                 "2;20;20;-2,5\n"  // a decimal comma
                                 "3;30\n"
                                 "4;30;20;nan\n"
                                 "5; 40 ;\t30; +1e-1\r\n");
  SurveySource source;
  std::string problem;
  ASSERT_TRUE(ReadSurveySource(name, source, problem)) << problem;
  EXPECT_EQ(source.x, (std::vector<double>{10, 30}));  // the columns the header names
  EXPECT_EQ(source.y, (std::vector<double>{20, 40}));
  EXPECT_EQ(source.z, (std::vector<double>{-2.5, 0.1}));
  EXPECT_EQ(source.skippedLines, 2);
  EXPECT_EQ(source.bad, (std::vector<long>{5, 6, 7}));
  EXPECT_EQ(DescribeSource(source),
            "2 survey points from survey.csv; 2 header or comment lines skipped; 3 bad lines skipped: 5, 6, 7; no "
            "reference system");

  std::istringstream commas("1,2,3\n4,,5,6\n7 8 9 label\n");
  SurveySource plain;
  ParseSurveyText(commas, plain);
  EXPECT_EQ(plain.z, (std::vector<double>{3, 9}));
  EXPECT_EQ(plain.bad, (std::vector<long>{2}));

  // Nothing usable, and not text at all: refused with the reason.
  EXPECT_FALSE(AddBathymetrySource(Write("empty.xyz", "x y z\nsome words\n").c_str()));
  EXPECT_EQ(ui.notifications.back().text,
            "can't read bathymetry from " + dir.File("empty.xyz") + ":\nit holds no x y z lines");
  EXPECT_FALSE(AddBathymetrySource(Write("image.xyz", std::string("\x89PNG\0\0\0", 7)).c_str()));
  EXPECT_NE(ui.notifications.back().text.find("it is not a text file (byte 5 is a zero byte)"), std::string::npos);
  EXPECT_TRUE(bathymetrySources.empty());
}

TEST_F(DepthTest, CellsBeyondTheDataTakeTheNearestAndLaterSourcesFillOnlyTheGaps) {
  patches.Rect("bed", 0, 0, 100, 10, 10, 1);
  patches.Build();
  // Source 1 covers x < 30 at -2 m; source 2 lies over x from 60 to 80 at
  // -5 m (both on one line, so nothing lies between their points); the
  // cells from x = 30 to 60 and beyond 80 have no data in reach.
  ASSERT_TRUE(AddBathymetrySource(Write("a.xyz", "5 5 -2\n15 5 -2\n25 5 -2\n").c_str()));
  ASSERT_TRUE(AddBathymetrySource(Write("b.xyz", "2 5 -9\n65 5 -5\n75 5 -5\n").c_str()));
  EXPECT_NE(ui.LastStatus().find("; source 2, fills the cells the others leave empty"), std::string::npos);
  const DepthField* field = CurrentDepths();
  ASSERT_NE(field, nullptr);
  const std::vector<CellDepth>& cells = field->cells[0];
  EXPECT_EQ(cells[0].elevation, -2) << "source 1 has points in the cell; source 2's point there is not used";
  EXPECT_EQ(cells[0].source, 0);
  EXPECT_EQ(cells[2].method, DepthMethod::PointMean);
  EXPECT_EQ(cells[3].method, DepthMethod::Nearest);
  EXPECT_EQ(cells[3].elevation, -2);
  EXPECT_EQ(cells[5].elevation, -5);  // nearer to source 2's cells
  EXPECT_EQ(cells[6].source, 1);
  EXPECT_EQ(cells[9].method, DepthMethod::Nearest);
  EXPECT_EQ(field->count[static_cast<int>(DepthMethod::Nearest)], 5);
  EXPECT_EQ(field->perSource, (std::vector<long>{3, 2}));
}

TEST_F(DepthTest, StepFourWritesSoundingsWithAWaterLevelAndAMinimumDepth) {
  TempDir work;
  InFolder folder(work.path());
  patches.Rect("bed", 0, 0, 4, 1, 2, 1);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  ASSERT_TRUE(CheckCellGrid());
  // Soundings: 1 m and 3 m below the datum at the two cells; the surface
  // stands 1.5 m below the datum, so the first cell would be dry.
  ASSERT_TRUE(AddBathymetrySource(Write("s.xyz", "1 0.5 1\n3 0.5 3\n").c_str()));
  std::string problem;
  const std::vector<std::string> words = {"--soundings", "--water-level", "-1.5", "--min-depth", "0.25"};
  for (size_t at = 0; at < words.size();) at += TakeDepthOption(words, at, problem);
  ASSERT_TRUE(WriteModelFiles());
  const std::vector<std::string> dxdy = SplitLines(TempDir::Read(work.File("DXDY.INP")));
  ASSERT_EQ(dxdy.size(), 6u);
  EXPECT_EQ(dxdy[4], "3 3 2.000 1.000 0.250 -1.750 0.0200") << "raised to the minimum, its bottom lowered to match";
  EXPECT_EQ(dxdy[5], "4 3 2.000 1.000 1.500 -3.000 0.0200");
  EXPECT_NE(ui.LastStatus().find("; depths 0.25 to 1.50 m, 1 cells raised to 0.25 m"), std::string::npos)
      << ui.LastStatus();
  const std::string quality = TempDir::Read(work.File("QUALITY.TXT"));
  EXPECT_NE(quality.find("  values read as soundings: depths below the datum, positive down\n"
                         "  water level (initial surface) -1.500 m, minimum depth 0.250 m;"),
            std::string::npos)
      << quality;
  EXPECT_NE(quality.find("  cells raised to the minimum depth (their bottom lowered to match): 1\n"
                         "    polygon 1, model I 3, J 3: surveyed bottom -1.000 m\n"),
            std::string::npos)
      << quality;
  EXPECT_NE(quality.find("  shallowest: polygon 1, model I 3, J 3: depth 0.250 m, bottom elevation -1.750 m\n"),
            std::string::npos);

  // Data that reach no cell stop step 4 before it writes anything.
  std::filesystem::remove(work.File("DXDY.INP"));
  bathymetrySources.clear();
  ASSERT_TRUE(AddBathymetrySource(Write("far.xyz", "1000 1000 1\n1001 1000 1\n").c_str()));
  ui.notifications.clear();
  EXPECT_FALSE(WriteModelFiles());
  EXPECT_FALSE(std::filesystem::exists(work.File("DXDY.INP")));
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_NE(ui.LastStatus().find("model files not written: no depths for the grid (the survey data of "),
            std::string::npos)
      << ui.LastStatus();
}

TEST_F(DepthTest, TheTimeStepIsCheckedAgainstTheCellsAndSetOnRequest) {
  TempDir work;
  InFolder folder(work.path());
  patches.Rect("bed", 0, 0, 6, 3, 3, 1);  // cells of 2 x 3 m
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  ASSERT_TRUE(CheckCellGrid());
  ASSERT_TRUE(WriteModelFiles());
  EXPECT_NE(
      ui.LastStatus().find("; smallest DX 2.00 m, DY 3.00 m: a step of at most 1.00 s (card C7's 10 s is longer)"),
      std::string::npos)
      << ui.LastStatus();
  const std::string quality = TempDir::Read(work.File("QUALITY.TXT"));
  EXPECT_NE(quality.find("The step of card C7 is longer"), std::string::npos);
  EXPECT_NE(quality.find("to at least 86400 "), std::string::npos);
  const std::string fixed = TempDir::Read(work.File("EFDC.INP"));
  EXPECT_NE(fixed.find("\n       1    8640       0       0      10       0       0       0    8640       1      16\n"),
            std::string::npos);

  autoTimeStep = true;
  ASSERT_TRUE(WriteModelFiles());
  EXPECT_NE(ui.LastStatus().find("a step of at most 1.00 s (card C7: 1 s)"), std::string::npos) << ui.LastStatus();
  const std::string automatic = TempDir::Read(work.File("EFDC.INP"));
  EXPECT_NE(
      automatic.find("\n       1   86400       0       0      10       0       0       0   86400       1      16\n"),
      std::string::npos);
  EXPECT_EQ(automatic.size(), fixed.size()) << "only two numbers changed";
}

TEST_F(DepthTest, AKeptShowFileNamingLandIsReported) {
  TempDir work;
  InFolder folder(work.path());
  patches.Rect("bed", 0, 0, 3, 2, 3, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  ASSERT_TRUE(CheckCellGrid());
  TempDir::Write(work.File("SHOW.INP"), "* mine\n       3    1000       4       4       1\n-500 1000 1000\n");
  ASSERT_TRUE(WriteModelFiles());
  EXPECT_EQ(ui.LastStatus().find("which is not water"), std::string::npos) << "model I 4, J 4 is water";
  TempDir::Write(work.File("SHOW.INP"), "* mine\n       3    1000       2       9       1\n-500 1000 1000\n");
  ASSERT_TRUE(WriteModelFiles());
  EXPECT_NE(ui.LastStatus().find("(SHOW.INP kept), QUALITY.TXT; "), std::string::npos);
  EXPECT_NE(ui.LastStatus().find("; the kept SHOW.INP shows model I 2, J 9, which is not water"), std::string::npos)
      << ui.LastStatus();
}

TEST_F(DepthTest, TheLoadCommandAsksForTheFileHowToReadItAndWhetherItReplaces) {
  const std::string a = Write("a.xyz", "0 0 1\n"), b = Write("b.xyz", "1 1 2\n2 2 3\n");
  ui.openNames = {a, b, b};
  ui.values = {std::string("--soundings --min-depth -1"), std::string("--soundings --min-depth 0.5"),
               std::string("--water-level 2"), std::nullopt};
  LoadBathymetry();
  // A wrong option is reported, the options stay as they were, and the box
  // asks again.
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text.rfind("--min-depth must be more than 0\n", 0), 0u);
  ASSERT_EQ(bathymetrySources.size(), 1u);
  EXPECT_TRUE(depthOptions.soundings);
  EXPECT_EQ(depthOptions.minDepth, 0.5);

  ui.answers = {Answer::Yes};  // replaces
  LoadBathymetry();
  ASSERT_EQ(bathymetrySources.size(), 1u);
  EXPECT_EQ(bathymetrySources[0].x.size(), 2u);
  EXPECT_EQ(depthOptions.waterLevel, 2);
  EXPECT_EQ(ui.questions.size(), 1u);

  ui.answers = {Answer::No};  // would add, but the options box is cancelled
  LoadBathymetry();
  EXPECT_EQ(bathymetrySources.size(), 1u);
}

TEST(DepthParts, NumbersAndTheNearestPoint) {
  double v = 0;
  EXPECT_TRUE(ParseDecimal("+2.5e1", v));
  EXPECT_EQ(v, 25);
  for (const char* bad : {"", "+", "-", "nan", "-inf", "1,5", " 1", "1x", "++1"})
    EXPECT_FALSE(ParseDecimal(bad, v)) << bad;
  EXPECT_EQ(FixedDecimal(-0.0004, 3), "-0.000");
  EXPECT_EQ(ShortDecimal(0.1), "0.1");

  std::mt19937 random(3);
  std::uniform_real_distribution<double> u(-50, 50);
  std::vector<double> x(500), y(500);
  for (size_t k = 0; k < x.size(); ++k) {
    x[k] = u(random);
    y[k] = u(random) * 0.1;  // a long thin cloud
  }
  PointIndex index(x.data(), y.data(), x.size());
  for (int q = 0; q < 200; ++q) {
    const double px = u(random) * 3, py = u(random);  // also far outside
    size_t best = 0;
    for (size_t k = 1; k < x.size(); ++k) {
      if (std::hypot(x[k] - px, y[k] - py) < std::hypot(x[best] - px, y[best] - py)) best = k;
    }
    EXPECT_EQ(index.Nearest(px, py), static_cast<long>(best));
  }
}

}  // namespace
}  // namespace kestrel::testing
