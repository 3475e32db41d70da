#include "app/capture.h"

#include <cerrno>
#include <cstdio>

#include "app/report.h"

namespace kestrel {

const char* const kCaptureFileName = "Kestrel.bmp";

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

}  // namespace

std::size_t BitmapStride(int width) { return (3 * static_cast<std::size_t>(width) + 3) / 4 * 4; }

void FillBitmapHeaders(uint8_t h[kBitmapHeadersSize], int width, int height) {
  const uint32_t imageSize = static_cast<uint32_t>(BitmapStride(width) * static_cast<std::size_t>(height));
  for (std::size_t k = 0; k < kBitmapHeadersSize; ++k) h[k] = 0;
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, imageSize + kBitmapHeadersSize);
  Put32(h + 10, kBitmapHeadersSize);
  Put32(h + 14, 40);
  Put32(h + 18, static_cast<uint32_t>(width));
  Put32(h + 22, static_cast<uint32_t>(height));
  Put16(h + 26, 1);
  Put16(h + 28, 24);
  Put32(h + 34, imageSize);
}

void WriteCaptureFile(const char* name, int width, int height, const uint32_t* pixels, int stride) {
  const std::size_t rowBytes = BitmapStride(width);
  uint8_t headers[kBitmapHeadersSize];
  FillBitmapHeaders(headers, width, height);
  std::FILE* file = std::fopen(name, "wb");
  if (!file) Abort(8943, "can't create capture file %s", name);
  uint8_t* rows = static_cast<uint8_t*>(AllocZeroed(8922, static_cast<std::size_t>(height), rowBytes));
  for (int y = 0; y < height; ++y) {
    // The bottom row of the window is stored first.
    const uint32_t* source = pixels + static_cast<long>(height - 1 - y) * stride;
    uint8_t* out = rows + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      const uint32_t c = source[x];
      out[3 * x] = static_cast<uint8_t>(c);
      out[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      out[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
  }
  const std::size_t imageSize = rowBytes * static_cast<std::size_t>(height);
  int failed = 0;
  if (std::fwrite(headers, 1, 14, file) != 14) {
    failed = 8945;
  } else if (std::fwrite(headers + 14, 1, 40, file) != 40) {
    failed = 8947;
  } else if (std::fwrite(rows, 1, imageSize, file) != imageSize) {
    failed = 8949;
  }
  FreeBlock(rows);
  // Buffered bytes reach the disk only at the close; a failure then is a
  // failed write too.
  if (std::fclose(file) != 0 && !failed) failed = 8949;
  if (failed) Abort(failed, "can't write capture file %s", name);
}

}  // namespace kestrel
