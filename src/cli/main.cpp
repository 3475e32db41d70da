// kestrel-grid: the whole workflow without a window.
//
//   kestrel-grid [-C DIR] [--steps 1|2|4] [--gpkg FILE] [--keep-extraneous]
//                [--allow-folded] [--layer NAME]... [--metres] [--orthogonal]
//                [--bathymetry FILE]... [depth options] INPUT
//   kestrel-grid --help | --version
//
// Reads INPUT, grids its polygons (step 1), links the patches (step 2) and
// writes the model input files (step 4), printing every status-line text on
// standard error. Exit codes: 0 every step it ran succeeded, 1 the input
// could not be read or held none, or a step was refused or reported a
// problem, 2 a fatal error, 64 bad usage, 128 + the signal number when
// Ctrl+C (SIGINT) or SIGTERM stopped step 1.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/report.h"
#include "cli/console_frontend.h"
#include "depth/bathymetry.h"
#include "edit/journal.h"
#include "formats/gis.h"
#include "formats/gisexport.h"
#include "formats/input.h"
#include "formats/layers.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "grid/orthogonal.h"
#include "grid/stop.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/deckcheck.h"
#include "model/modelfiles.h"
#include "store/store.h"
#include "view/view.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoPolygons = 1;
constexpr int kExitNotGridded = 1;
constexpr int kExitStepFailed = 1;
constexpr int kExitUsage = 64;
constexpr int kExitSignal = 128;  // plus the signal's number

// The signal that stopped step 1, or 0.
volatile sig_atomic_t stoppedBy = 0;

// Ctrl+C or SIGTERM while step 1 works stops it between nodes, so that the
// run ends cleanly; at any other time the signal ends the program at once,
// as it would without this handler.
void OnStopSignal(int signal) {
  if (kestrel::RequestStop()) {
    stoppedBy = signal;
    return;
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const char* const kUsage =
    "usage: kestrel-grid [-C DIR] [--steps 1|2|4] [--gpkg FILE] [--keep-extraneous]\n"
    "                    [--allow-folded] [--layer NAME]... [--metres] [--orthogonal]\n"
    "                    [--bathymetry FILE]... [depth options] INPUT\n"
    "\n"
    "Reads INPUT and runs the steps of the workflow on its polygons, printing\n"
    "every status-line text on standard error:\n"
    "  1  grid the polygons and write the grid lines to CELL.P2D\n"
    "  2  link the patches into one cell map: cell.txt and cell.html\n"
    "  4  write the model input files EFDC.INP, CELL.INP, CELLLT.INP,\n"
    "     DXDY.INP, LXLY.INP, CORNERS.INP and (when there is none) SHOW.INP\n"
    "The grid quality report QUALITY.TXT is written after the last step.\n"
    "INPUT is a polygon file, a DXF drawing (a name ending in .dxf, any case)\n"
    "or a GIS layer (.shp, .geojson, .json, .gpkg, .kml). Polygons that cannot\n"
    "be gridded (open, or fewer than four points) are removed first.\n"
    "\n"
    "  -C DIR             write every output file into DIR (created when\n"
    "                     missing) instead of the working folder\n"
    "  --steps N          stop after step N (1, 2 or 4; 4 when not given)\n"
    "  --gpkg FILE        also write the linked grid as a GeoPackage: a layer\n"
    "                     of model cells and a layer of the polygons\n"
    "  --keep-extraneous  keep polygons that cannot be gridded; their presence\n"
    "                     then stops the run\n"
    "  --layer NAME       read only layer NAME of a drawing or GIS source (any\n"
    "                     letter case); give it again for more layers\n"
    "  --metres           convert a GIS source whose reference system is in\n"
    "                     feet (or another unit) to metres\n"
    "  --orthogonal       orthogonal grids: every polygon is mapped conformally\n"
    "                     in step 1 and the linked grid is orthogonalised in\n"
    "                     step 2\n"
    "  --bathymetry FILE  survey data for the depths in DXDY.INP: x y z text,\n"
    "                     a GIS point layer or a raster; repeatable, a later\n"
    "                     file fills only the cells the earlier ones leave empty\n"
    "  --soundings        the values are depths below the datum (positive down),\n"
    "                     not bottom elevations (positive up)\n"
    "  --water-level Z    the initial water surface (default 0)\n"
    "  --min-depth D      no cell shallower than D metres (default 0.1)\n"
    "  --time-step auto   write into card C7 a time step the cells allow\n"
    "  --allow-folded     write the model files even when the linked grid has\n"
    "                     folded cells (the model fails at a fold as soon as\n"
    "                     water moves through it)\n"
    "  --help             show this text\n"
    "  --version          show the version\n"
    "\n"
    "exit codes: 0 every step run succeeded, 1 the input could not be read or\n"
    "held none, or a step was refused or reported a problem (polygons not\n"
    "gridded, patches not connected, sides that come close without meeting, a\n"
    "ring, overlapping cells, no water cells, folded cells, a file not\n"
    "written), 2 a fatal error, 64 bad usage, 128 + the signal's number (130\n"
    "for Ctrl+C) when a signal stopped the gridding\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "kestrel-grid: %s\n", problem);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrel;
  std::string outputDir;
  std::string input;
  bool keepExtraneous = false;
  int lastStep = 4;
  std::string geoPackage;
  std::vector<std::string> surveys;
  const std::vector<std::string> words(argv, argv + argc);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string problem;
    if (const int taken = TakeDepthOption(words, static_cast<size_t>(i), problem)) {
      if (taken < 0) return Usage(problem.c_str());
      i += taken - 1;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (arg == "--version") {
      std::puts("kestrel-grid (Kestrel) " KESTREL_VERSION);
      return kExitOk;
    }
    if (arg == "-C") {
      if (i + 1 >= argc) return Usage("-C needs a folder");
      outputDir = argv[++i];
    } else if (arg == "--steps") {
      if (i + 1 >= argc) return Usage("--steps needs 1, 2 or 4");
      const std::string step = argv[++i];
      if (step != "1" && step != "2" && step != "4") return Usage("--steps takes 1, 2 or 4");
      lastStep = step[0] - '0';
    } else if (arg == "--gpkg") {
      if (i + 1 >= argc) return Usage("--gpkg needs a file name");
      geoPackage = argv[++i];
    } else if (arg == "--orthogonal") {
      orthogonalMode = true;
    } else if (arg == "--bathymetry") {
      if (i + 1 >= argc) return Usage("--bathymetry needs a file name");
      surveys.emplace_back(argv[++i]);
    } else if (arg == "--keep-extraneous") {
      keepExtraneous = true;
    } else if (arg == "--allow-folded") {
      allowFoldedCells = true;
    } else if (arg == "--layer") {
      if (i + 1 >= argc) return Usage("--layer needs a layer name");
      readChoices.layers.push_back(argv[++i]);
    } else if (arg == "--metres" || arg == "--meters") {
      readChoices.units = UnitChoice::Convert;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option " + arg).c_str());
    } else if (input.empty()) {
      input = arg;
    } else {
      return Usage("only one input file is read");
    }
  }
  if (input.empty()) return Usage("no input file given");
  if (input.size() >= sizeof fileName) return Usage("the input file name is too long");
  if (!readChoices.layers.empty() && !IsDxfName(input.c_str()) && !IsGisLayerName(input.c_str())) {
    return Usage("--layer needs a drawing or a GIS source");
  }
  // Nobody to ask: every layer unless named, units as they are unless --metres.
  readChoices.askLayers = false;
  if (readChoices.units == UnitChoice::Ask) readChoices.units = UnitChoice::Keep;

  static ConsoleFrontEnd console;
  SetFrontEnd(&console);

  if (!outputDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(outputDir, error);
    if (error || !std::filesystem::is_directory(outputDir)) {
      std::fprintf(stderr, "can't create output folder %s\n", outputDir.c_str());
      return kExitNoPolygons;
    }
  }

  std::snprintf(fileName, sizeof fileName, "%s", input.c_str());
  const long added = ReadInputFile();
  needFileName = 0;
  if (added <= 0) return kExitNoPolygons;
  BoundAll();
  ComputeExtents();
  ClearJournal();
  if (store.polygonCount < 1) return kExitNoPolygons;
  // Survey files are named from where the tool was started.
  for (const std::string& survey : surveys) {
    if (!AddBathymetrySource(survey.c_str())) return kExitNoPolygons;
  }

  // The input has been read: from here on every output file goes to DIR.
  if (!outputDir.empty() && chdir(outputDir.c_str()) != 0) {
    std::fprintf(stderr, "can't use output folder %s: %s\n", outputDir.c_str(), std::strerror(errno));
    return kExitNoPolygons;
  }

  // Step 1. Its questions are answered OK, so polygons that cannot be gridded
  // are removed, unless the user wants them kept.
  console.questionAnswer = keepExtraneous ? Answer::No : Answer::Yes;
  CatchStopSignals();
  GenerateGrids();
  if (stoppedBy != 0 && gridsValid != 1) return kExitSignal + stoppedBy;
  if (gridsValid != 1 || grids.outlineWritten != 1) return kExitNotGridded;
  if (lastStep == 1) {
    if (!geoPackage.empty()) {
      std::fprintf(stderr, "kestrel-grid: --gpkg needs the linked grid of step 2\n");
      return kExitStepFailed;
    }
    return WriteQualityFile() ? kExitOk : kExitStepFailed;
  }

  // Step 2: link the patches and check the linked grid.
  if (!RunLinkStep()) return kExitStepFailed;
  if (!geoPackage.empty() && !WriteGridGeoPackage(geoPackage.c_str())) return kExitStepFailed;
  if (lastStep == 2) return WriteQualityFile() ? kExitOk : kExitStepFailed;

  // Step 4: the model input files.
  return WriteModelFiles() ? kExitOk : kExitStepFailed;
}
