// The main window's parts as plain data: the tool buttons (bitmap, command,
// hover text, state word), where each part goes for a client size, and the
// status-line text for the window under the mouse.
#pragma once

#include <cstdint>

#include "app/frontend.h"

namespace kestrel {

// "Kestrel" with the registered sign, and the version.
extern const char* const kWindowTitle;
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kMinimumWidth = 480;
constexpr int kMinimumHeight = 360;

// The line the status shows over the main window, the status line itself
// and the window frame.
extern const char* const kContactLine;

// Ends the plot's hover text while a point is selected: the keys of the
// corner commands.
extern const char* const kCornerKeysHint;

struct ButtonInfo {
  const char* bitmap;  // name of its bitmap resource
  int command;         // the CommandId it posts
  const char* hover;   // status-line text while the mouse is over it
};

// In slot order, top to bottom.
extern const ButtonInfo kButtons[kButtonCount];

// The order in which the bitmaps are loaded and the buttons created.
extern const char* const kBitmapLoadOrder[kButtonCount];

// A button's whole state in one word: its command, pressed, enabled.
constexpr uint32_t kButtonCommandMask = 0xFFFF;
constexpr uint32_t kButtonPressed = 0x10000;
constexpr uint32_t kButtonEnabled = 0x20000;

struct Rect {
  int x, y, width, height;
};

struct WindowLayout {
  Rect buttons[kButtonCount];
  Rect plot;
  Rect status;
};

// Where every child window goes in a client area of width x height.
WindowLayout ComputeLayout(int width, int height);

// What the mouse is over.
enum class HoverTarget { Button, Plot, Other };

// Fills statusText for the mouse at (x, y) over `target` (`slot` names the
// button) and repaints the status line. x and y are taken as the unsigned
// 16-bit values the mouse message carries.
void HoverStatus(HoverTarget target, int slot, int x, int y);

}  // namespace kestrel
