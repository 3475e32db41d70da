// The polygon file reader on any bytes, then what the program does with what
// it read; what is saved must read back as the same number of polygons.
#include <cstdlib>
#include <string>

#include "formats/polyfile.h"
#include "formats/textcheck.h"
#include "fuzz_frontend.h"
#include "store/store.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::BeginInput("input.p2d");
  FILE* file = fuzz::OpenInput(data, size);
  ReadPolygonStream(file);
  std::fclose(file);
  fuzz::UseReadPolygons();

  // Save into memory and read that back.
  char* saved = nullptr;
  size_t savedSize = 0;
  FILE* out = open_memstream(&saved, &savedSize);
  long lines = 0;
  fuzz::Check(WritePolygonStream(out, lines, cornerMarks == 1, false), "writing to memory");
  std::fclose(out);
  const int32_t written = store.polygonCount;
  std::string why;
  const bool text = IsTextBlock(reinterpret_cast<const unsigned char*>(saved),
                                savedSize < kTextProbeBytes ? savedSize : kTextProbeBytes, why);
  ClearPolygons();
  FILE* back = fuzz::OpenInput(reinterpret_cast<const uint8_t*>(saved), savedSize);
  ReadPolygonStream(back);
  std::fclose(back);
  // Names may hold control characters; enough of them make the saved file
  // fail the text rule, and then nothing is read back.
  fuzz::Check(store.polygonCount == (text ? written : 0), "a saved file reads back as the same number of polygons");
  std::free(saved);

  fuzz::EndInput();
  return 0;
}
