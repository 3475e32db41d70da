#include "app/pixels.h"

#include <cstring>

namespace kestrel {

namespace {

int32_t ReadInt32(const uint8_t* p) {
  uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[3]) << 24;
  int32_t s;
  std::memcpy(&s, &v, sizeof s);
  return s;
}

int ReadUint16(const uint8_t* p) { return p[0] | p[1] << 8; }

void Put(PixelBuffer& buffer, int x, int y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= buffer.width || y >= buffer.height) return;
  buffer.pixels[static_cast<long>(y) * buffer.stride + x] = colour;
}

}  // namespace

bool ParseBitmap(const uint8_t* dib, BitmapView& view) {
  if (!dib) return false;
  const int32_t headerSize = ReadInt32(dib);
  const int32_t width = ReadInt32(dib + 4);
  const int32_t height = ReadInt32(dib + 8);
  const int bitCount = ReadUint16(dib + 14);
  const int32_t compression = ReadInt32(dib + 16);
  const int32_t used = ReadInt32(dib + 32);
  if (headerSize < 40 || width <= 0 || height == 0 || compression != 0) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return false;
  if (width > 65536 || height > 65536 || height < -65536) return false;
  view.width = width;
  view.height = height > 0 ? height : -height;
  view.bottomUp = height > 0;
  view.bitCount = bitCount;
  if (bitCount <= 8) {
    view.colourCount = used > 0 ? used : 1 << bitCount;
    if (view.colourCount > 256) return false;
    view.colours = dib + headerSize;
  } else {
    view.colourCount = 0;
    view.colours = nullptr;
  }
  view.bits = dib + headerSize + 4 * view.colourCount;
  view.rowBytes = (width * bitCount + 31) / 32 * 4;
  return true;
}

uint32_t BitmapPixel(const BitmapView& view, int x, int y) {
  const int row = view.bottomUp ? view.height - 1 - y : y;
  const uint8_t* line = view.bits + static_cast<long>(row) * view.rowBytes;
  if (view.bitCount >= 24) {
    const uint8_t* p = line + x * (view.bitCount / 8);
    return Rgb(p[2], p[1], p[0]);
  }
  const int bitOffset = x * view.bitCount;
  const int shift = 8 - view.bitCount - bitOffset % 8;
  int index = (line[bitOffset / 8] >> shift) & ((1 << view.bitCount) - 1);
  if (index >= view.colourCount) index = 0;
  const uint8_t* c = view.colours + 4 * index;
  return Rgb(c[2], c[1], c[0]);
}

void DrawBitmap(PixelBuffer& buffer, Rect target, const uint8_t* dib, int mode, bool enabled) {
  BitmapView bitmap;
  if (!ParseBitmap(dib, bitmap)) return;
  if (target.width < 8 || target.height < 8 || bitmap.width < 8 || bitmap.height < 8) return;
  Rect place = target;
  if (mode < 0) {
    place.width = bitmap.width;
    place.height = bitmap.height;
  } else if (mode == 0) {
    // The bitmap's aspect ratio, as large as fits, the spare space split evenly.
    const long wide = static_cast<long>(target.width) * bitmap.height;
    const long tall = static_cast<long>(target.height) * bitmap.width;
    if (wide <= tall) {
      place.height = static_cast<int>(static_cast<long>(bitmap.height) * target.width / bitmap.width);
    } else {
      place.width = static_cast<int>(static_cast<long>(bitmap.width) * target.height / bitmap.height);
    }
    place.x += (target.width - place.width) / 2;
    place.y += (target.height - place.height) / 2;
  }
  for (int dy = 0; dy < place.height; ++dy) {
    const int sy = static_cast<int>(static_cast<long>(dy) * bitmap.height / place.height);
    for (int dx = 0; dx < place.width; ++dx) {
      const int sx = static_cast<int>(static_cast<long>(dx) * bitmap.width / place.width);
      uint32_t colour = BitmapPixel(bitmap, sx, sy);
      if (!enabled) colour = ~colour | 0xFF000000u;
      Put(buffer, place.x + dx, place.y + dy, colour);
    }
  }
}

void FillRect(PixelBuffer& buffer, Rect r, uint32_t colour) {
  for (int y = r.y; y < r.y + r.height; ++y) {
    for (int x = r.x; x < r.x + r.width; ++x) Put(buffer, x, y, colour);
  }
}

void FrameRect(PixelBuffer& buffer, Rect r, uint32_t colour) {
  if (r.width < 1 || r.height < 1) return;
  const int right = r.x + r.width - 1, bottom = r.y + r.height - 1;
  for (int x = r.x; x <= right; ++x) {
    Put(buffer, x, r.y, colour);
    Put(buffer, x, bottom, colour);
  }
  for (int y = r.y; y <= bottom; ++y) {
    Put(buffer, r.x, y, colour);
    Put(buffer, right, y, colour);
  }
}

namespace {

// One ring of an edge: top and left in one colour, bottom and right in another.
void EdgeRing(PixelBuffer& buffer, Rect r, uint32_t topLeft, uint32_t bottomRight) {
  if (r.width < 1 || r.height < 1) return;
  const int right = r.x + r.width - 1, bottom = r.y + r.height - 1;
  for (int x = r.x; x <= right; ++x) {
    Put(buffer, x, r.y, topLeft);
    Put(buffer, x, bottom, bottomRight);
  }
  for (int y = r.y; y <= bottom; ++y) {
    Put(buffer, r.x, y, topLeft);
    Put(buffer, right, y, bottomRight);
  }
  Put(buffer, right, r.y, bottomRight);
  Put(buffer, r.x, bottom, bottomRight);
}

Rect Shrink(Rect r, int by) { return Rect{r.x + by, r.y + by, r.width - 2 * by, r.height - 2 * by}; }

}  // namespace

void DrawEdge(PixelBuffer& buffer, Rect r, bool sunken) {
  if (sunken) {
    EdgeRing(buffer, r, kEdgeShadow, kWhite);
    EdgeRing(buffer, Shrink(r, 1), kEdgeDarkShadow, kEdgeLight);
  } else {
    EdgeRing(buffer, r, kEdgeLight, kEdgeDarkShadow);
    EdgeRing(buffer, Shrink(r, 1), kWhite, kEdgeShadow);
  }
}

void PaintButton(PixelBuffer& buffer, uint32_t stateWord, const uint8_t* dib) {
  Rect r{0, 0, buffer.width, buffer.height};
  FillRect(buffer, r, kLightGrey);
  FrameRect(buffer, r, kBlack);
  r = Shrink(r, 1);
  DrawEdge(buffer, r, (stateWord & kButtonPressed) != 0);
  r = Shrink(r, 3);
  DrawBitmap(buffer, r, dib, 1, (stateWord & kButtonEnabled) != 0);
}

}  // namespace kestrel
