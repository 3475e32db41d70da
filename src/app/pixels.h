// Drawing into a plain 32-bit pixel buffer: bitmap resources, frames and
// three-dimensional edges, and the whole look of a tool button. The window
// shows these buffers as they are, so the looks can be checked without one.
#pragma once

#include <cstdint>

#include "app/window.h"

namespace kestrel {

// Pixels as 0xFFRRGGBB, rows top first, `stride` pixels apart.
struct PixelBuffer {
  uint32_t* pixels;
  int width;
  int height;
  int stride;
};

constexpr uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kLightGrey = Rgb(192, 192, 192);  // window and button faces
constexpr uint32_t kEdgeLight = Rgb(223, 223, 223);
constexpr uint32_t kEdgeShadow = Rgb(128, 128, 128);
constexpr uint32_t kEdgeDarkShadow = Rgb(64, 64, 64);

// The parts of a device-independent bitmap (40-byte header, colour table,
// pixel rows). Returns false for a bitmap this program cannot draw.
struct BitmapView {
  int width;
  int height;              // rows, always positive
  bool bottomUp;           // rows stored bottom row first
  int bitCount;            // 1, 4, 8, 24 or 32
  const uint8_t* colours;  // 4 bytes an entry (blue, green, red, 0); null at 24 and 32 bits
  int colourCount;
  const uint8_t* bits;
  int rowBytes;
};
bool ParseBitmap(const uint8_t* dib, BitmapView& view);

// The colour of pixel (x, y) of a parsed bitmap, (0, 0) its top-left.
uint32_t BitmapPixel(const BitmapView& view, int x, int y);

// Draws a bitmap into `target` (left, top, width, height). Nothing is drawn
// when the target or the bitmap is narrower or lower than 8 pixels.
//   mode < 0: unscaled at the target's top-left corner;
//   mode = 0: scaled keeping its aspect ratio, centred;
//   mode > 0: stretched to fill the target.
// Disabled bitmaps are drawn with every pixel inverted.
void DrawBitmap(PixelBuffer& buffer, Rect target, const uint8_t* dib, int mode, bool enabled);

void FillRect(PixelBuffer& buffer, Rect r, uint32_t colour);
// A one-pixel frame just inside r.
void FrameRect(PixelBuffer& buffer, Rect r, uint32_t colour);
// A two-pixel three-dimensional edge just inside r.
void DrawEdge(PixelBuffer& buffer, Rect r, bool sunken);

// A whole tool button of the buffer's size: black frame, edge (sunken while
// pressed), and the bitmap stretched inside, inverted while disabled.
void PaintButton(PixelBuffer& buffer, uint32_t stateWord, const uint8_t* dib);

}  // namespace kestrel
