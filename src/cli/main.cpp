// kestrel-grid: the whole workflow without a window.
//
//   kestrel-grid [-C DIR] INPUT
//
// Reads INPUT, bounds its polygons and prints every status-line text on
// standard error. Exit codes: 0 polygons were read, 1 the input could not be
// read or held none, 2 a fatal error, 64 bad usage.
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
#include "store/store.h"
#include "view/view.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoPolygons = 1;
constexpr int kExitUsage = 64;

const char* const kUsage =
    "usage: kestrel-grid [-C DIR] INPUT\n"
    "\n"
    "Reads INPUT and bounds its polygons, printing every status-line text on\n"
    "standard error. INPUT is a polygon file, a DXF drawing (a name ending in\n"
    ".dxf, any case) or a GIS layer (.shp, .geojson, .json, .gpkg, .kml).\n"
    "\n"
    "  -C DIR    write every output file into DIR (created when missing)\n"
    "            instead of the working folder\n"
    "  --help    show this text\n"
    "\n"
    "exit codes: 0 polygons were read, 1 the input could not be read or held\n"
    "none, 2 a fatal error, 64 bad usage\n";

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
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (arg == "-C") {
      if (i + 1 >= argc) return Usage("-C needs a folder");
      outputDir = argv[++i];
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
  return kExitOk;
}
