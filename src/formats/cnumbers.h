// Numbers as text the C way: a decimal point and no digit grouping, whatever
// locale the process runs under.
//
// The window toolkit takes the locale from the desktop when the program
// starts, and under a German, French or Russian desktop the standard
// conversions would write 1,5 for 1.5 and stop reading "0.5" at the point.
// Files, the clipboard, the dialogs and the status line must show and read
// the same bytes on every desktop, so every conversion of a floating-point
// number goes through these. Each call switches its own thread to the C
// locale for the conversion alone: nothing set before or after it, by this
// program or by a library, changes what it reads or writes.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>

namespace kestrel {

// snprintf, vsnprintf, fprintf and vfprintf in the C conventions.
int FormatC(char* buffer, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int VFormatC(char* buffer, std::size_t size, const char* format, va_list args);
int PrintC(std::FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
int VPrintC(std::FILE* out, const char* format, va_list args);

// The whole formatted text, however long.
std::string FormatCString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// sscanf in the C conventions.
int ScanC(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// strtod in the C conventions.
double ReadDouble(const char* text, char** end);

}  // namespace kestrel
