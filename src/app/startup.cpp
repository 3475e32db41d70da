#include "app/startup.h"

#include <cstring>

#include "app/dispatch.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/journal.h"
#include "formats/filecmds.h"
#include "formats/layers.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

StartMode StartFromArguments(int argc, const char* const* argv) {
  if (argc < 2) {
    UI().PostCommand(kCmdOpen);
    return StartMode::Interactive;
  }
  if (argc > 2) {
    // The capture runs unattended: every layer is read, units as they are.
    readChoices.askLayers = false;
    readChoices.units = UnitChoice::Keep;
  }
  StartWithFile(argv[1]);
  return argc > 2 ? StartMode::Capture : StartMode::Batch;
}

void StartWithFile(const char* name) {
  const std::size_t length = std::strlen(name);
  if (length >= sizeof fileName) {
    // Cutting the name would read some other file.
    Notify(2992, "input file name is too long:\n%.200s...", name);
  } else {
    std::memcpy(fileName, name, length + 1);
    ReadInputFile();
    needFileName = 0;
  }
  BoundAll();
  ComputeExtents();
  ZoomAll();
  ClearJournal();
  RunCommandOperation(kCmdGrid);
}

const char* const kWindowUsage =
    "usage: kestrel [FILE [capture]]\n"
    "       kestrel --help | --version\n"
    "\n"
    "Kestrel builds curvilinear grids for the EFDC hydrodynamic model from\n"
    "boundary polygons, in its own window.\n"
    "\n"
    "  kestrel               starts with the open dialog\n"
    "  kestrel FILE          opens FILE, fits it into the view and grids it\n"
    "  kestrel FILE capture  as above, then writes the window to Kestrel.bmp in\n"
    "                        the working folder and ends (no display needed)\n"
    "\n"
    "FILE is a polygon file (*.p2d), a DXF drawing (*.dxf) or a GIS layer\n"
    "(.shp, .geojson, .json, .gpkg, .kml). Output files are written to the\n"
    "working folder. Press F1 in the window for the manual; kestrel-grid runs\n"
    "the same steps without a window.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

const char* const kNeedsDisplay =
    "kestrel: the window needs a display, and none could be opened (DISPLAY and\n"
    "WAYLAND_DISPLAY name none, or the one named does not answer).\n"
    "Without a display, kestrel-grid runs the same steps on a file, and\n"
    "\"kestrel FILE capture\" writes the picture of the window.\n";

InfoRequest FindInfoRequest(int argc, const char* const* argv) {
  if (argc < 2) return InfoRequest::None;
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") return InfoRequest::Help;
  if (first == "--version") return InfoRequest::Version;
  return InfoRequest::None;
}

PlatformChoice ChoosePlatform(bool capture, const char* qtPlatform, const char* x11Display,
                              const char* waylandDisplay) {
  auto named = [](const char* s) { return s && *s; };
  PlatformChoice choice;
  if (named(qtPlatform)) return choice;
  const bool wayland = named(waylandDisplay), x11 = named(x11Display);
  if (!wayland && !x11) {
    if (capture) {
      choice.platforms = "offscreen";
    } else {
      choice.needsDisplay = true;
    }
    return choice;
  }
  // The order Qt itself prefers, then the fallback.
  choice.platforms = wayland ? "wayland;xcb;offscreen" : "xcb;offscreen";
  return choice;
}

}  // namespace kestrel
