// kestrel-grid: the whole workflow without a window.
//
//   kestrel-grid [-C DIR] [--keep-extraneous] INPUT
//
// Reads INPUT, bounds its polygons, grids them (step 1) and writes CELL.P2D,
// printing every status-line text on standard error. Exit codes: 0 the
// polygons were read and gridded, 1 the input could not be read or held none,
// or it could not be gridded or its outline file not written, 2 a fatal
// error, 64 bad usage.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/report.h"
#include "cli/console_frontend.h"
#include "edit/journal.h"
#include "formats/input.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "store/store.h"
#include "view/view.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoPolygons = 1;
constexpr int kExitNotGridded = 1;
constexpr int kExitUsage = 64;

const char* const kUsage =
    "usage: kestrel-grid [-C DIR] [--keep-extraneous] INPUT\n"
    "\n"
    "Reads INPUT, bounds its polygons, grids them and writes the grid lines\n"
    "to CELL.P2D, printing every status-line text on standard error. INPUT is\n"
    "a polygon file, a DXF drawing (a name ending in .dxf, any case) or a GIS\n"
    "layer (.shp, .geojson, .json, .gpkg, .kml). Polygons that cannot be\n"
    "gridded (open, or fewer than four points) are removed first.\n"
    "\n"
    "  -C DIR             write every output file into DIR (created when\n"
    "                     missing) instead of the working folder\n"
    "  --keep-extraneous  keep polygons that cannot be gridded; their presence\n"
    "                     then stops the run\n"
    "  --help             show this text\n"
    "\n"
    "exit codes: 0 the polygons were read and gridded, 1 the input could not\n"
    "be read or held none, or was not gridded, or CELL.P2D could not be\n"
    "written, 2 a fatal error, 64 bad usage\n";

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
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (arg == "-C") {
      if (i + 1 >= argc) return Usage("-C needs a folder");
      outputDir = argv[++i];
    } else if (arg == "--keep-extraneous") {
      keepExtraneous = true;
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

  // The input has been read: from here on every output file goes to DIR.
  if (!outputDir.empty() && chdir(outputDir.c_str()) != 0) {
    std::fprintf(stderr, "can't use output folder %s: %s\n", outputDir.c_str(), std::strerror(errno));
    return kExitNoPolygons;
  }

  // Step 1. Its questions are answered OK, so polygons that cannot be gridded
  // are removed, unless the user wants them kept.
  console.questionAnswer = keepExtraneous ? Answer::No : Answer::Yes;
  GenerateGrids();
  if (gridsValid != 1 || grids.outlineWritten != 1) return kExitNotGridded;
  return kExitOk;
}
