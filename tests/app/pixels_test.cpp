#include "app/pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fixture.h"
#include "resources/bitmaps.h"

namespace kestrel::testing {
namespace {

constexpr uint32_t kUntouched = 0xFF123456u;

struct Canvas {
  std::vector<uint32_t> pixels;
  PixelBuffer buffer;
  Canvas(int w, int h) : pixels(static_cast<size_t>(w) * h, kUntouched), buffer{pixels.data(), w, h, w} {}
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * buffer.stride + x]; }
};

// A 24-bit bitmap whose pixel (x, y) has red x, green y and blue 7.
std::vector<uint8_t> GradientBitmap(int w, int h, bool bottomUp = true) {
  const int rowBytes = (w * 24 + 31) / 32 * 4;
  std::vector<uint8_t> dib(40 + static_cast<size_t>(rowBytes) * h, 0);
  auto put32 = [&](int at, int32_t v) { std::memcpy(&dib[at], &v, 4); };
  put32(0, 40);
  put32(4, w);
  put32(8, bottomUp ? h : -h);
  dib[12] = 1;
  dib[14] = 24;
  for (int y = 0; y < h; ++y) {
    const int row = bottomUp ? h - 1 - y : y;
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &dib[40 + static_cast<size_t>(row) * rowBytes + 3 * x];
      p[0] = 7;
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x);
    }
  }
  return dib;
}

uint32_t Inverted(uint32_t c) { return ~c | 0xFF000000u; }

TEST(Bitmaps, EveryButtonHasASixteenColourPicture) {
  for (const char* name : kBitmapLoadOrder) {
    BitmapView view;
    ASSERT_TRUE(ParseBitmap(LoadBitmapResource(name), view)) << name;
    EXPECT_EQ(view.width, 16);
    EXPECT_EQ(view.height, 16);
    EXPECT_EQ(view.bitCount, 4);
    EXPECT_EQ(view.colourCount, 16);
  }
  for (const ButtonInfo& b : kButtons) {
    BitmapView view;
    EXPECT_TRUE(ParseBitmap(LoadBitmapResource(b.bitmap), view)) << b.bitmap;
  }
  ASSERT_NE(FindCursorArt("ARR0W"), nullptr);
  ASSERT_NE(FindCursorArt("CR0SS"), nullptr);
  EXPECT_EQ(FindCursorArt("CR0SS")->rows[7][7], '#') << "the cross-hair's hot spot is on the cross";
}

class BitmapResources : public KestrelTest {};

TEST_F(BitmapResources, AnUnknownNameIsFatal) {
  try {
    LoadBitmapResource("NOPE");
    FAIL() << "no abort";
  } catch (const AbortCalled& e) {
    EXPECT_EQ(e.code, 8828);
    EXPECT_STREQ(e.what(), "can't find resource NOPE\nWin Err Code 0");
  }
}

TEST(DrawBitmap, StretchesToFillTheTarget) {
  const std::vector<uint8_t> dib = GradientBitmap(16, 8);
  Canvas c(40, 40);
  DrawBitmap(c.buffer, Rect{4, 4, 32, 32}, dib.data(), 1, true);
  EXPECT_EQ(c.at(3, 3), kUntouched);
  EXPECT_EQ(c.at(4, 4), Rgb(0, 0, 7));
  EXPECT_EQ(c.at(5, 7), Rgb(0, 0, 7)) << "each source pixel covers 2 x 4 target pixels";
  EXPECT_EQ(c.at(6, 8), Rgb(1, 1, 7));
  EXPECT_EQ(c.at(35, 35), Rgb(15, 7, 7));
  EXPECT_EQ(c.at(36, 36), kUntouched);
}

TEST(DrawBitmap, KeepsTheAspectRatioCentredInModeZero) {
  const std::vector<uint8_t> dib = GradientBitmap(16, 8);
  Canvas c(64, 64);
  DrawBitmap(c.buffer, Rect{0, 0, 64, 64}, dib.data(), 0, true);
  EXPECT_EQ(c.at(0, 15), kUntouched);
  EXPECT_EQ(c.at(0, 16), Rgb(0, 0, 7));
  EXPECT_EQ(c.at(63, 47), Rgb(15, 7, 7));
  EXPECT_EQ(c.at(0, 48), kUntouched);
}

TEST(DrawBitmap, DrawsUnscaledAtTheCornerInNegativeMode) {
  const std::vector<uint8_t> dib = GradientBitmap(16, 8, false);  // rows stored top first
  Canvas c(64, 64);
  DrawBitmap(c.buffer, Rect{10, 20, 40, 40}, dib.data(), -1, true);
  EXPECT_EQ(c.at(10, 20), Rgb(0, 0, 7));
  EXPECT_EQ(c.at(25, 27), Rgb(15, 7, 7));
  EXPECT_EQ(c.at(26, 27), kUntouched);
  EXPECT_EQ(c.at(25, 28), kUntouched);
}

TEST(DrawBitmap, InvertsWhenDisabledAndSkipsTinyPictures) {
  const std::vector<uint8_t> dib = GradientBitmap(8, 8);
  Canvas c(32, 32);
  DrawBitmap(c.buffer, Rect{0, 0, 8, 8}, dib.data(), 1, false);
  EXPECT_EQ(c.at(3, 5), Inverted(Rgb(3, 5, 7)));

  Canvas narrow(32, 32);
  DrawBitmap(narrow.buffer, Rect{0, 0, 7, 20}, dib.data(), 1, true);
  EXPECT_EQ(narrow.at(0, 0), kUntouched);
  const std::vector<uint8_t> small = GradientBitmap(7, 16);
  DrawBitmap(narrow.buffer, Rect{0, 0, 20, 20}, small.data(), 1, true);
  EXPECT_EQ(narrow.at(0, 0), kUntouched);
}

TEST(PaintButton, FramesRaisesAndShowsTheIconOneToOne) {
  const uint8_t* dib = LoadBitmapResource("OPEN");
  BitmapView icon;
  ASSERT_TRUE(ParseBitmap(dib, icon));
  Canvas up(24, 24);
  PaintButton(up.buffer, kButtonEnabled | 1056, dib);
  EXPECT_EQ(up.at(0, 0), kBlack);
  EXPECT_EQ(up.at(23, 23), kBlack);
  EXPECT_EQ(up.at(1, 1), kEdgeLight);
  EXPECT_EQ(up.at(22, 22), kEdgeDarkShadow);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(up.at(4 + x, 4 + y), BitmapPixel(icon, x, y)) << x << "," << y;
  }

  Canvas down(24, 24);
  PaintButton(down.buffer, kButtonEnabled | kButtonPressed | 1056, dib);
  EXPECT_EQ(down.at(1, 1), kEdgeShadow);
  EXPECT_EQ(down.at(22, 22), kWhite);

  Canvas off(24, 24);
  PaintButton(off.buffer, 1056, dib);
  EXPECT_EQ(off.at(4 + 5, 4 + 8), Inverted(BitmapPixel(icon, 5, 8)));
}

}  // namespace
}  // namespace kestrel::testing
