// The DXF reader on any bytes, then what the program does with what it read.
#include "formats/dxf.h"
#include "fuzz_frontend.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::BeginInput("input.dxf");
  FILE* file = fuzz::OpenInput(data, size);
  ReadDxfStream(file);
  std::fclose(file);
  fuzz::UseReadPolygons();
  fuzz::EndInput();
  return 0;
}
