// The window capture file: an uncompressed 24-bit bitmap file, rows stored
// bottom row first, each padded with zero bytes to a multiple of 4.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel {

// The capture is always written to this file in the working folder.
extern const char* const kCaptureFileName;

constexpr std::size_t kBitmapHeadersSize = 54;  // file header 14 + information header 40

// Bytes in one stored row of a 24-bit bitmap `width` pixels wide.
std::size_t BitmapStride(int width);

// The 14-byte file header followed by the 40-byte information header.
void FillBitmapHeaders(uint8_t headers[kBitmapHeadersSize], int width, int height);

// Writes `pixels` (0xFFRRGGBB, rows top first, `stride` pixels apart) to
// `name`, replacing the file. Every failure ends the program through Abort.
void WriteCaptureFile(const char* name, int width, int height, const uint32_t* pixels, int stride);

}  // namespace kestrel
