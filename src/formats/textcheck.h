// Telling a text file from one that is not: the readers of text formats look
// at the start of a file before they read it as lines, so that an image, an
// archive or a document saved in another format is reported instead of being
// read as polygons.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace kestrel {

// How many bytes at the start of a file decide whether it is text.
constexpr std::size_t kTextProbeBytes = 4096;

// The rule: the first kTextProbeBytes bytes (the whole file when it is
// shorter) are text when they hold no zero byte and at most one byte in ten is
// a control character. Tab, line feed, vertical tab, form feed and carriage
// return are not control characters here, nor are 0x11 (the corner mark of
// polygon files) and 0x1A (the end mark of old DOS text files). Bytes from
// 0x80 up are text in some character set and count as text.
//
// Returns true for text. Otherwise `why` says what was found, e.g.
// "byte 17 is a zero byte".
bool IsTextBlock(const unsigned char* data, std::size_t n, std::string& why);

// Reads the start of `file` into `block` (resized to what was read), returns
// whether it is text by the rule above, and puts the file back at its start.
bool ProbeTextFile(FILE* file, std::string& block, std::string& why);

}  // namespace kestrel
