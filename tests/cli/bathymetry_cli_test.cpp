// kestrel-grid files the bundled river bend with its survey data: every
// water cell of the map gets a depth and a bottom elevation that agree.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "fixture.h"
#include "patches.h"
#include "run_tool.h"

namespace kestrel::testing {
namespace {

const std::string kExamples = KESTREL_EXAMPLES_DIR;

struct DxdyCell {
  double dx, dy, depth, elevation;
};

std::map<std::pair<int, int>, DxdyCell> ReadDxdy(const std::string& file) {
  std::map<std::pair<int, int>, DxdyCell> cells;
  for (const std::string& line : SplitLines(TempDir::Read(file))) {
    if (line.empty() || line[0] == 'C') continue;
    std::istringstream in(line);
    int i, j;
    DxdyCell c;
    std::string roughness;
    in >> i >> j >> c.dx >> c.dy >> c.depth >> c.elevation >> roughness;
    EXPECT_TRUE(in && roughness == "0.0200") << line;
    cells[{i, j}] = c;
  }
  return cells;
}

TEST(KestrelGridBathymetry, TheRiverBendWithItsSoundingsFilesAConsistentDeck) {
  TempDir dir;
  const ToolRun r =
      RunGrid("-C '" + dir.path() + "' --bathymetry '" + kExamples + "/river_bend_survey.xyz' " +
              "--soundings --water-level 0.5 --time-step auto --gpkg grid.gpkg '" + kExamples + "/river_bend.p2d'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("bathymetry: 600 survey points from river_bend_survey.xyz; 3 header or comment lines skipped"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("a step of at most 0.55 s (card C7: 0.5 s); depths "), std::string::npos) << r.err;

  // One DXDY.INP line for every water cell of CELL.INP, and nothing else.
  const std::map<std::pair<int, int>, DxdyCell> cells = ReadDxdy(dir.File("DXDY.INP"));
  long water = 0;
  for (const std::string& line : SplitLines(TempDir::Read(dir.File("CELL.INP")))) {
    if (line.empty() || line[0] == 'C') continue;
    const int j = std::stoi(line.substr(0, 3));
    for (size_t p = 5; p < line.size(); ++p) {
      if (line[p] != '5') continue;
      ++water;
      EXPECT_EQ(cells.count({static_cast<int>(p - 5 + 1), j}), 1u) << "I " << p - 4 << ", J " << j;
    }
  }
  EXPECT_EQ(water, 640);
  EXPECT_EQ(cells.size(), 640u);
  // The example's bed lies 1 m to 4.5 m below the datum; the surface 0.5 m
  // above it.
  for (const auto& [at, c] : cells) {
    EXPECT_NEAR(c.depth + c.elevation, 0.5, 0.0011) << at.first << " " << at.second;
    EXPECT_GE(c.depth, 1.4);
    EXPECT_LE(c.depth, 5.0);
    EXPECT_GT(c.dx, 0);
    EXPECT_GT(c.dy, 0);
  }
  EXPECT_NE(TempDir::Read(dir.File("EFDC.INP")).find("\n       1  172800       0"), std::string::npos);

  // The GeoPackage carries the same depths.
  GDALAllRegister();
  GDALDataset* gpkg = GDALDataset::Open(dir.File("grid.gpkg").c_str(), GDAL_OF_VECTOR);
  ASSERT_NE(gpkg, nullptr);
  OGRLayer* layer = gpkg->GetLayerByName("cells");
  ASSERT_NE(layer, nullptr);
  long features = 0;
  for (auto& f : *layer) {
    const auto c = cells.find({f->GetFieldAsInteger("model_i"), f->GetFieldAsInteger("model_j")});
    ASSERT_NE(c, cells.end());
    EXPECT_NEAR(f->GetFieldAsDouble("depth"), c->second.depth, 0.0006);
    EXPECT_NEAR(f->GetFieldAsDouble("elevation"), c->second.elevation, 0.0006);
    ++features;
  }
  EXPECT_EQ(features, 640);
  GDALClose(gpkg);
}

TEST(KestrelGridBathymetry, TheRasterOfTheExampleAndBadOptions) {
  TempDir dir;
  const ToolRun raster = RunGrid("-C '" + dir.path() + "' --bathymetry '" + kExamples + "/river_bend_bed.asc' '" +
                                 kExamples + "/river_bend.p2d'");
  ASSERT_EQ(raster.exitCode, 0) << raster.err;
  EXPECT_NE(raster.err.find("bathymetry: a raster of 40 x 40 cells from river_bend_bed.asc"), std::string::npos);
  EXPECT_EQ(raster.err.find("filled by the nearest value"), std::string::npos) << raster.err;
  for (const auto& [at, c] : ReadDxdy(dir.File("DXDY.INP"))) EXPECT_NEAR(c.depth, -c.elevation, 0.0011);

  EXPECT_EQ(RunGrid("--min-depth 0 '" + kExamples + "/river_bend.p2d'").exitCode, 64);
  EXPECT_EQ(RunGrid("--time-step 5 '" + kExamples + "/river_bend.p2d'").exitCode, 64);
  const ToolRun missing =
      RunGrid("-C '" + dir.path() + "/m' --bathymetry nowhere.xyz '" + kExamples + "/river_bend.p2d'");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("can't read bathymetry from nowhere.xyz:\nit can't be opened"), std::string::npos)
      << missing.err;
}

}  // namespace
}  // namespace kestrel::testing
