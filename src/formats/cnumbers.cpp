#include "formats/cnumbers.h"

#include <locale.h>

#include <cstdlib>

namespace kestrel {

namespace {

// The C locale as an object of its own; glibc hands out a shared static one.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}

// Puts this thread in the C locale for the lifetime of the object.
class InCLocale {
 public:
  // uselocale of a null locale (newlocale failed) only asks: nothing changes.
  InCLocale() : previous_(uselocale(CLocale())) {}
  ~InCLocale() { uselocale(previous_); }
  InCLocale(const InCLocale&) = delete;
  InCLocale& operator=(const InCLocale&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

int VFormatC(char* buffer, std::size_t size, const char* format, va_list args) {
  InCLocale c;
  return std::vsnprintf(buffer, size, format, args);
}

int FormatC(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = VFormatC(buffer, size, format, args);
  va_end(args);
  return n;
}

int VPrintC(std::FILE* out, const char* format, va_list args) {
  InCLocale c;
  return std::vfprintf(out, format, args);
}

int PrintC(std::FILE* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = VPrintC(out, format, args);
  va_end(args);
  return n;
}

std::string FormatCString(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = VFormatC(small, sizeof small, format, args);
  va_end(args);
  std::string text;
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
    text.assign(small, static_cast<std::size_t>(n));
  } else if (n >= 0) {
    text.resize(static_cast<std::size_t>(n) + 1);
    VFormatC(text.data(), text.size(), format, again);
    text.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return text;
}

int ScanC(const char* text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n;
  {
    InCLocale c;
    n = std::vsscanf(text, format, args);
  }
  va_end(args);
  return n;
}

double ReadDouble(const char* text, char** end) {
  InCLocale c;
  return std::strtod(text, end);
}

}  // namespace kestrel
