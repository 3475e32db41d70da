// The pictures the program carries: sixteen tool-button bitmaps (16 x 16,
// 4 bits per pixel with a 16-colour table, as device-independent bitmaps) and
// the two mouse cursors.
#pragma once

#include <cstdint>

namespace kestrel {

constexpr int kButtonBitmapSize = 16;

// The device-independent bitmap called `name` (header, colour table, rows).
// An unknown name ends the program through Abort.
const uint8_t* LoadBitmapResource(const char* name);

// A cursor picture: 16 rows of 16 characters, '#' black, 'w' white and '.'
// transparent, with the hot spot.
struct CursorArt {
  const char* name;
  const char* const* rows;
  int hotX;
  int hotY;
};

// "ARR0W" (the arrow) or "CR0SS" (the cross-hair of the plot); nullptr for
// any other name.
const CursorArt* FindCursorArt(const char* name);

}  // namespace kestrel
