#include "app/capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/pixels.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(s[at + k]);
  return v;
}
uint32_t Le16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8;
}

class Capture : public KestrelTest {
 protected:
  TempDir dir;
};

TEST_F(Capture, RowsArePaddedToAMultipleOfFour) {
  EXPECT_EQ(BitmapStride(801), 2404u);
  EXPECT_EQ(BitmapStride(800), 2400u);
  EXPECT_EQ(BitmapStride(1), 4u);
}

TEST_F(Capture, TheFileHoldsTheHeadersAndTheRowsBottomFirst) {
  const int w = 801, h = 3;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, Rgb(10, 20, 30));
  pixels[0] = Rgb(1, 2, 3);                                 // top-left
  pixels[static_cast<size_t>(w) * (h - 1)] = Rgb(4, 5, 6);  // bottom-left
  const std::string name = dir.File("Kestrel.bmp");
  TempDir::Write(name, std::string(20000, 'x'));  // an older, longer capture
  WriteCaptureFile(name.c_str(), w, h, pixels.data(), w);

  const std::string f = TempDir::Read(name);
  ASSERT_EQ(f.size(), 54u + 3 * 2404);
  EXPECT_EQ(f.substr(0, 2), "BM");
  EXPECT_EQ(Le32(f, 2), f.size());
  EXPECT_EQ(Le32(f, 6), 0u);
  EXPECT_EQ(Le32(f, 10), 54u);
  EXPECT_EQ(Le32(f, 14), 40u);
  EXPECT_EQ(Le32(f, 18), 801u);
  EXPECT_EQ(Le32(f, 22), 3u);
  EXPECT_EQ(Le16(f, 26), 1u);
  EXPECT_EQ(Le16(f, 28), 24u);
  EXPECT_EQ(Le32(f, 30), 0u);
  EXPECT_EQ(Le32(f, 34), 3u * 2404);
  for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(Le32(f, at), 0u) << at;
  // The first stored row is the bottom one, blue first.
  EXPECT_EQ(static_cast<uint8_t>(f[54]), 6);
  EXPECT_EQ(static_cast<uint8_t>(f[55]), 5);
  EXPECT_EQ(static_cast<uint8_t>(f[56]), 4);
  EXPECT_EQ(f[54 + 2403], '\0') << "padding";
  const size_t top = 54 + 2 * 2404;
  EXPECT_EQ(static_cast<uint8_t>(f[top]), 3);
  EXPECT_EQ(static_cast<uint8_t>(f[top + 2]), 1);
  EXPECT_EQ(static_cast<uint8_t>(f[top + 3]), 30);
}

TEST_F(Capture, AFileThatCannotBeCreatedIsFatal) {
  const uint32_t pixel = Rgb(0, 0, 0);
  const std::string name = dir.File("missing/Kestrel.bmp");
  try {
    WriteCaptureFile(name.c_str(), 1, 1, &pixel, 1);
    FAIL() << "no abort";
  } catch (const AbortCalled& e) {
    EXPECT_EQ(e.code, 8943);
    EXPECT_EQ(std::string(e.what()), "can't create capture file " + name);
  }
}

}  // namespace
}  // namespace kestrel::testing
