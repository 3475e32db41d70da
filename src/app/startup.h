// What the program does with its command line before the event loop starts.
#pragma once

#include <string>

namespace kestrel {

enum class StartMode {
  Interactive,  // no file: the open dialog comes first
  Batch,        // a file was read and gridded; the user carries on
  Capture,      // as Batch, then the window is captured and the program ends
};

// Without a file name the Open command is posted; with one the file is read,
// fitted into the view and gridded. Any further argument asks for a capture.
StartMode StartFromArguments(int argc, const char* const* argv);

// Reads `name` as the command line does: the reader its name calls for, the
// bounds, the view fitted, the journal emptied and step 1 run.
void StartWithFile(const char* name);

// What `kestrel --help` prints.
extern const char* const kWindowUsage;
// What the window program prints when it has no display to open.
extern const char* const kNeedsDisplay;

// A first argument that asks for information instead of the window.
enum class InfoRequest { None, Help, Version };
InfoRequest FindInfoRequest(int argc, const char* const* argv);

// Which of Qt's platforms the window program asks for, from the environment.
struct PlatformChoice {
  // For Qt's -platform option, tried in order; empty leaves the choice to Qt
  // (QT_QPA_PLATFORM names it).
  std::string platforms;
  // No display is named and the window is wanted: the program cannot run.
  bool needsDisplay = false;
};
// A capture needs no display: without one it is drawn on the offscreen
// platform. The window also falls back to it when the display named cannot be
// opened, so that the program can say why instead of ending in Qt's abort.
PlatformChoice ChoosePlatform(bool capture, const char* qtPlatform, const char* x11Display, const char* waylandDisplay);

}  // namespace kestrel
