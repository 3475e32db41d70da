// kestrel-grid runs the steps of the workflow after reading.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fixture.h"
#include "run_tool.h"
#include "shapes.h"

namespace kestrel::testing {
namespace {

long Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

const char kSquareAndLine[] =
    "POLY 1by1\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 0\nEND\n"
    "POLY 2 by 2\n2 0 0\n3 0 0\n3 1 0\n2 1 0\n2 0 0\nEND\n"
    "POLY road\n0 2 0\n3 2 0\nEND\n";

TEST(KestrelGridStep1, GridsTheBundledExampleIntoTheOutputFolder) {
  TempDir dir;
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  const ToolRun r = RunGrid("-C '" + dir.path() + "/out' '" + example + "'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("gridding polygon 1 of 2 (10by4_upper_reach)\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2 polygons gridded; orthogonality deviation up to "), std::string::npos) << r.err;
  // Both reaches are named 10 by 4 cells: 11 lines of 5 nodes and 5 lines of
  // 11 nodes per reach.
  const std::string cells = TempDir::Read(dir.File("out/CELL.P2D"));
  EXPECT_EQ(Lines(cells), 2 * (11 * (5 + 2) + 5 * (11 + 2)));
  EXPECT_EQ(cells.rfind("POLY\n0.000000 0.000000\n", 0), 0u) << cells.substr(0, 60);
}

TEST(KestrelGridStep1, ExtraneousPolygonsAreRemovedUnlessKept) {
  TempDir dir;
  TempDir::Write(dir.File("in.p2d"), kSquareAndLine);
  const ToolRun removed = RunGrid("--steps 1 -C '" + dir.path() + "/a' '" + dir.File("in.p2d") + "'");
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_NE(removed.err.find("extraneous polygons: There is an extraneous (ungriddable)\npolygon. Do you want it "
                             "removed?\n(You can undo this later.) -> OK\n"),
            std::string::npos)
      << removed.err;
  // 1 by 1 (from the chords: its name does not parse) and 2 by 2 cells.
  EXPECT_TRUE(std::filesystem::exists(dir.File("a/CELL.P2D")));

  const ToolRun kept = RunGrid("--keep-extraneous -C '" + dir.path() + "/b' '" + dir.File("in.p2d") + "'");
  EXPECT_EQ(kept.exitCode, 1) << kept.err;
  EXPECT_NE(kept.err.find("(You can undo this later.) -> cancel\n"), std::string::npos) << kept.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("b/CELL.P2D")));
}

TEST(KestrelGridStep1, NothingToGridOrNowhereToWriteIsAFailure) {
  TempDir dir;
  TempDir::Write(dir.File("lines.p2d"), "POLY road\n0 0 0\n3 2 0\nEND\nPOLY path\n1 0 0\n2 5 0\nEND\n");
  const ToolRun none = RunGrid("-C '" + dir.path() + "' '" + dir.File("lines.p2d") + "'");
  EXPECT_EQ(none.exitCode, 1) << none.err;
  EXPECT_NE(none.err.find("there are no suitable polygons to grid\n"), std::string::npos) << none.err;

  TempDir::Write(dir.File("in.p2d"), kSquareAndLine);
  std::filesystem::create_directories(dir.File("blocked/CELL.P2D"));
  const ToolRun blocked = RunGrid("--steps 1 -C '" + dir.path() + "/blocked' '" + dir.File("in.p2d") + "'");
  EXPECT_EQ(blocked.exitCode, 1) << blocked.err;
  EXPECT_NE(blocked.err.find("non-fatal error code 5380: can't create output file CELL.P2D\n"), std::string::npos)
      << blocked.err;

  // A polygon the solver cannot take is a failed step, not a fatal error.
  TempDir::Write(dir.File("sliver.p2d"), "POLY 2000by4\n0 0 0\n1 0 0\n1 1 0\n0.9999999999999 1 0\n0 0 0\nEND\n");
  const ToolRun sliver = RunGrid("-C '" + dir.path() + "/sliver' '" + dir.File("sliver.p2d") + "'");
  EXPECT_EQ(sliver.exitCode, 1) << sliver.err;
  EXPECT_NE(sliver.err.find("can't grid polygon: Polygon 1 (2000by4) could not be gridded:\nadjacent boundary"),
            std::string::npos)
      << sliver.err;
  EXPECT_EQ(sliver.err.find("Fatal"), std::string::npos) << sliver.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("sliver/CELL.P2D")));
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// Every bundled example goes the whole way: gridded, linked and filed.
TEST(KestrelGridWorkflow, EveryExampleGridsLinksAndFiles) {
  const char* const examples[] = {"channel.p2d", "river_bend.p2d", "harbour.p2d", "channel.dxf", "shoreline.geojson"};
  const char* const written[] = {"CELL.P2D", "cell.txt", "cell.html",   "EFDC.INP", "CELL.INP",   "CELLLT.INP",
                                 "DXDY.INP", "LXLY.INP", "CORNERS.INP", "SHOW.INP", "QUALITY.TXT"};
  for (const char* example : examples) {
    TempDir dir;
    const ToolRun r = RunGrid("-C out '" + std::string(KESTREL_EXAMPLES_DIR) + "/" + example + "'", dir.path());
    EXPECT_EQ(r.exitCode, 0) << example << "\n" << r.err;
    EXPECT_EQ(r.err.find("non-fatal error"), std::string::npos) << example << "\n" << r.err;
    for (const char* file : written) {
      EXPECT_TRUE(std::filesystem::exists(dir.File(std::string("out/") + file))) << example << ": " << file;
    }
    EXPECT_EQ(TempDir::Read(dir.File("out/CELLLT.INP")), TempDir::Read(dir.File("out/CELL.INP")));
  }
}

TEST(KestrelGridWorkflow, TheRiverBendLinksIntoOneReach) {
  TempDir dir;
  const ToolRun r = RunGrid("'" + std::string(KESTREL_EXAMPLES_DIR) + "/river_bend.p2d'", dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Four patches of 20 by 8 cells end to end: 80 by 8 water cells.
  EXPECT_EQ(TempDir::Read(dir.File("CELL.INP")).rfind("C cell.inp file,  84 rows and 12 columns\n", 0), 0u);
  EXPECT_NE(TempDir::Read(dir.File("EFDC.INP")).find("640"), std::string::npos);
}

TEST(KestrelGridWorkflow, StepsStopWhereAsked) {
  const std::string example = "'" + std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d'";
  TempDir one;
  EXPECT_EQ(RunGrid("--steps 1 " + example, one.path()).exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(one.File("CELL.P2D")));
  EXPECT_TRUE(std::filesystem::exists(one.File("QUALITY.TXT")));
  EXPECT_FALSE(std::filesystem::exists(one.File("cell.txt")));
  TempDir two;
  EXPECT_EQ(RunGrid("--steps 2 " + example, two.path()).exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(two.File("cell.txt")));
  EXPECT_FALSE(std::filesystem::exists(two.File("EFDC.INP")));
  EXPECT_EQ(RunGrid("--steps 3 " + example).exitCode, 64);
  EXPECT_EQ(RunGrid("--steps").exitCode, 64);
}

// A deck the model cannot run is refused, and the run fails: folded cells
// (unless they are asked for), a clip polygon that leaves no water.
TEST(KestrelGridWorkflow, FoldedCellsAndAnEmptyMapAreRefused) {
  TempDir dir;
  // A river that winds round bends tighter than its width folds cells.
  const auto outline = MeanderOutline(1000, 80, 120, 500, 200);
  std::string river = "POLY 100by8_river\n";
  for (size_t n = 0; n <= outline.size(); ++n) {
    char line[64];
    const auto& [x, y] = outline[n % outline.size()];  // closed: the first point again
    std::snprintf(line, sizeof line, "%.6f %.6f\n", x, y);
    river += line;
  }
  TempDir::Write(dir.File("river.p2d"), river + "END\n");
  const ToolRun folded = RunGrid("-C folded river.p2d", dir.path());
  EXPECT_EQ(folded.exitCode, 1) << folded.err;
  EXPECT_NE(folded.err.find(" folded cells, most in polygon 1 (100by8_river)\n"), std::string::npos) << folded.err;
  EXPECT_NE(folded.err.find("non-fatal error code 6411: the linked grid fails its check"), std::string::npos)
      << folded.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("folded/DXDY.INP")));
  const ToolRun allowed = RunGrid("--allow-folded -C allowed river.p2d", dir.path());
  EXPECT_EQ(allowed.exitCode, 0) << allowed.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("allowed/DXDY.INP")));

  TempDir::Write(dir.File("dry.p2d"),
                 "POLY 4by2\n0 0\n4 0\n4 2\n0 2\n0 0\nEND\nPOLY clip\n10 10\n11 10\n11 11\n10 11\n10 10\nEND\n");
  const ToolRun dry = RunGrid("-C dry dry.p2d", dir.path());
  EXPECT_EQ(dry.exitCode, 1) << dry.err;
  EXPECT_NE(dry.err.find("non-fatal error code 6240: no water cells"), std::string::npos) << dry.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("dry/EFDC.INP")));
}

// Sides that come close without their nodes meeting, and a ring of
// polygons, are refused with their message: the run fails and files nothing.
TEST(KestrelGridWorkflow, NearSidesAndRingsAreRefused) {
  TempDir dir;
  TempDir::Write(dir.File("dike.p2d"),
                 "POLY 100by2\n0 0\n10000 0\n10000 100\n0 100\n0 0\nEND\n"
                 "POLY 100by2\n0 105\n10000 105\n10000 205\n0 205\n0 105\nEND\n");
  const ToolRun dike = RunGrid("-C dike dike.p2d", dir.path());
  EXPECT_EQ(dike.exitCode, 1) << dike.err;
  EXPECT_NE(dike.err.find("non-fatal error code 6078: polygons 1 (100by2) and 2 (100by2) come close"),
            std::string::npos)
      << dike.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("dike/EFDC.INP")));

  // Four quarter bends round one centre.
  std::string ring;
  for (int k = 0; k < 4; ++k) {
    ring += "POLY 8by2\n";
    std::vector<std::pair<double, double>> points;
    for (int n = 0; n <= 8; ++n) {
      const double a = (k + n / 8.0) * 3.14159265358979323846 / 2;
      points.push_back({130 * std::cos(a), 130 * std::sin(a)});
    }
    for (int n = 8; n >= 0; --n) {
      const double a = (k + n / 8.0) * 3.14159265358979323846 / 2;
      points.push_back({100 * std::cos(a), 100 * std::sin(a)});
    }
    points.push_back(points[0]);
    for (const auto& [x, y] : points) {
      char line[64];
      std::snprintf(line, sizeof line, "%.6f %.6f\n", x, y);
      ring += line;
    }
    ring += "END\n";
  }
  TempDir::Write(dir.File("ring.p2d"), ring);
  const ToolRun closed = RunGrid("-C ring ring.p2d", dir.path());
  EXPECT_EQ(closed.exitCode, 1) << closed.err;
  EXPECT_NE(closed.err.find("non-fatal error code 6079: polygons "), std::string::npos) << closed.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("ring/EFDC.INP")));
}

// Ctrl+C while the nodes are placed stops the gridding cleanly: no grid
// lines are written and the exit code says which signal stopped it.
TEST(KestrelGridStep1, CtrlCStopsTheGridding) {
  TempDir dir;
  TempDir::Write(dir.File("big.p2d"), "POLY 300by150\n0 0\n300 0\n300 150\n0 150\n0 0\nEND\n");
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(pipeEnds[1], 2);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    if (chdir(dir.path().c_str()) == 0) execl(KESTREL_GRID_PROGRAM, KESTREL_GRID_PROGRAM, "big.p2d", nullptr);
    _exit(127);
  }
  close(pipeEnds[1]);
  std::string err;
  bool interrupted = false;
  std::array<char, 4096> buffer;
  ssize_t n;
  while ((n = read(pipeEnds[0], buffer.data(), buffer.size())) > 0) {
    err.append(buffer.data(), static_cast<size_t>(n));
    if (!interrupted && err.find("gridding polygon 1 of 1") != std::string::npos) {
      kill(child, SIGINT);
      interrupted = true;
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(interrupted) << err;
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT) << err;
  EXPECT_NE(err.find("\ngridding stopped\n"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("CELL.P2D")));
}

TEST(KestrelGridWorkflow, UnconnectedPatchesFailTheLinkStep) {
  TempDir dir;
  TempDir::Write(dir.File("apart.p2d"),
                 "POLY 4by2_a\n0 0\n4 0\n4 2\n0 2\n0 0\nEND\n"
                 "POLY 4by2_b\n10 0\n14 0\n14 2\n10 2\n10 0\nEND\n");
  const ToolRun r = RunGrid("apart.p2d", dir.path());
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("non-fatal error code 6077"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("EFDC.INP")));
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

TEST(KestrelGridWorkflow, TheShorelineGoesBackToGisAsAGeoPackage) {
  TempDir dir;
  const ToolRun r =
      RunGrid("--gpkg grid.gpkg '" + std::string(KESTREL_EXAMPLES_DIR) + "/shoreline.geojson'", dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("projected from WGS 84 to WGS 84 / UTM zone 32N"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("grid written to grid.gpkg: 120 cells, 2 polygons\n"), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("grid.gpkg")));
  EXPECT_EQ(RunGrid("--steps 1 --gpkg g.gpkg '" + std::string(KESTREL_EXAMPLES_DIR) + "/shoreline.geojson'", dir.path())
                .exitCode,
            1);
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// The whole grid's mean and largest orthogonality deviation in QUALITY.TXT.
std::pair<double, double> WholeGridOrthogonality(const std::string& report) {
  const size_t whole = report.find("Whole grid\n");
  const size_t line = report.find("orthogonality deviation", whole);
  std::istringstream in(report.substr(line + std::strlen("orthogonality deviation")));
  std::string word;
  double mean = -1, largest = -1;
  in >> word >> mean >> word >> largest;
  return {mean, largest};
}

// The measured targets of orthogonal grids: the annulus sector of radii 1 and
// 2 over 60 degrees in 120 by 90 cells, and the bundled river bend.
TEST(KestrelGridOrthogonal, MeetsItsTargetsOnTheSectorAndTheRiverBend) {
  TempDir dir;
  std::string sector = "POLY 120by90\n";
  char line[96];
  for (const auto& [x, y] : SectorOutline(1, 2, 60, 10, 60)) {
    std::snprintf(line, sizeof line, "%.17g %.17g 0\n", x, y);
    sector += line;
  }
  sector += "1 0 0\nEND\n";
  TempDir::Write(dir.File("sector.p2d"), sector);
  const ToolRun orthogonal = RunGrid("--orthogonal -C ortho sector.p2d", dir.path());
  ASSERT_EQ(orthogonal.exitCode, 0) << orthogonal.err;
  EXPECT_NE(orthogonal.err.find("1 polygon gridded orthogonally (conformal modulus 1.51"), std::string::npos)
      << orthogonal.err;
  const auto [mean, largest] = WholeGridOrthogonality(TempDir::Read(dir.File("ortho/QUALITY.TXT")));
  EXPECT_LT(mean, 0.1);
  EXPECT_LT(largest, 1);

  const ToolRun bend =
      RunGrid("--orthogonal -C bend '" + std::string(KESTREL_EXAMPLES_DIR) + "/river_bend.p2d'", dir.path());
  ASSERT_EQ(bend.exitCode, 0) << bend.err;
  const auto [bendMean, bendLargest] = WholeGridOrthogonality(TempDir::Read(dir.File("bend/QUALITY.TXT")));
  EXPECT_LT(bendMean, 0.5);
  EXPECT_LT(bendLargest, 3);
  EXPECT_TRUE(std::filesystem::exists(dir.File("bend/CORNERS.INP")));
}

// A closed square of side 10 at (x, 0) on a layer, as a drawing's entity.
std::string Square(const char* layer, int x) {
  std::string s = "0\nLWPOLYLINE\n8\n" + std::string(layer) + "\n90\n4\n70\n1\n";
  for (const auto& [dx, dy] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}}) {
    s += "10\n" + std::to_string(x + dx) + "\n20\n" + std::to_string(dy) + "\n";
  }
  return s;
}

TEST(KestrelGridWorkflow, OnlyTheNamedLayersOfADrawingAreRead) {
  TempDir dir;
  // The water, and far off the frame of a title block.
  TempDir::Write(dir.File("plan.dxf"),
                 "0\nSECTION\n2\nENTITIES\n" + Square("WATER", 0) + Square("TITLE", 500) + "0\nENDSEC\n0\nEOF\n");
  const ToolRun all = RunGrid("plan.dxf", dir.path());
  EXPECT_EQ(all.exitCode, 1) << "the frame is not connected to the water";
  EXPECT_NE(all.err.find("2 polygons found from layers WATER (1), TITLE (1)\n"), std::string::npos) << all.err;

  const ToolRun water = RunGrid("--layer water plan.dxf", dir.path());
  EXPECT_EQ(water.exitCode, 0) << water.err;
  EXPECT_NE(water.err.find("1 polygons found from layer WATER; layers left out: TITLE (1)\n"), std::string::npos)
      << water.err;

  const ToolRun missing = RunGrid("--layer RIVER plan.dxf", dir.path());
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("plan.dxf has no layer RIVER;\nits layers are: WATER, TITLE"), std::string::npos)
      << missing.err;
  EXPECT_EQ(RunGrid("--layer WATER '" + std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d'").exitCode, 64);
}

TEST(KestrelGridWorkflow, TheGeoPackageNeverGoesOverItsSource) {
  TempDir dir;
  const std::string convert =
      "ogr2ogr -f GPKG '" + dir.File("shore.gpkg") + "' '" + KESTREL_EXAMPLES_DIR + "/shoreline.geojson' 2>/dev/null";
  ASSERT_EQ(std::system(convert.c_str()), 0);
  const ToolRun over = RunGrid("--gpkg shore.gpkg shore.gpkg", dir.path());
  EXPECT_EQ(over.exitCode, 1);
  EXPECT_NE(over.err.find("the grid is not written over shore.gpkg, which the polygons were read from"),
            std::string::npos)
      << over.err;
  // In the output folder the same name is another file.
  const ToolRun beside = RunGrid("-C out --gpkg shore.gpkg shore.gpkg", dir.path());
  EXPECT_EQ(beside.exitCode, 0) << beside.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("out/shore.gpkg")));
}

}  // namespace
}  // namespace kestrel::testing
