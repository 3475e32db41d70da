#include "formats/textcheck.h"

namespace kestrel {

namespace {

bool IsControl(unsigned char c) {
  if (c == 0x7F) return true;
  if (c >= 0x20) return false;
  switch (c) {
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case 0x11:  // corner mark
    case 0x1A:  // DOS end of text
      return false;
    default:
      return true;
  }
}

}  // namespace

bool IsTextBlock(const unsigned char* data, std::size_t n, std::string& why) {
  std::size_t controls = 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (data[k] == 0) {
      why = "byte " + std::to_string(k + 1) + " is a zero byte";
      return false;
    }
    if (IsControl(data[k])) ++controls;
  }
  if (controls * 10 > n) {
    why = std::to_string(controls) + " of its first " + std::to_string(n) + " bytes are control characters";
    return false;
  }
  return true;
}

bool ProbeTextFile(FILE* file, std::string& block, std::string& why) {
  block.resize(kTextProbeBytes);
  const std::size_t n = std::fread(block.data(), 1, block.size(), file);
  block.resize(n);
  std::rewind(file);
  return IsTextBlock(reinterpret_cast<const unsigned char*>(block.data()), n, why);
}

}  // namespace kestrel
