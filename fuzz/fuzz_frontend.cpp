#include "fuzz_frontend.h"

#include <cstdlib>

#include "app/report.h"
#include "app/reset.h"
#include "edit/journal.h"
#include "formats/polyfile.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::fuzz {

bool FuzzFrontEnd::NotifyBox(int, const char*, const char*) {
  ++notifications;
  return true;
}

void FuzzFrontEnd::AbortBox(int code, const char* caption, const char* text) {
  std::fprintf(stderr, "\nAbort reached (code %i, %s):\n%s\n", code, caption, text);
  std::abort();
}

void FuzzFrontEnd::FatalExit(const char* text) {
  std::fprintf(stderr, "\nfatal exit: %s\n", text);
  std::abort();
}

void FuzzFrontEnd::EndProcess(int exitCode) {
  std::fprintf(stderr, "\nthe program ended itself with code %i\n", exitCode);
  std::abort();
}

bool FuzzFrontEnd::GetClipboardText(std::string& text) {
  text = clipboard;
  return !clipboard.empty();
}

FuzzFrontEnd& Front() {
  static FuzzFrontEnd front;
  return front;
}

void BeginInput(const char* name) {
  SetFrontEnd(&Front());
  Front().clipboard.clear();
  Front().notifications = 0;
  ResetProgramState();
  SetBlockLimit(kFuzzBlockLimit);
  view.plotWidth = 800;
  view.plotHeight = 600;
  std::snprintf(fileName, sizeof fileName, "%s", name);
  needFileName = 0;
}

void EndInput() { ResetProgramState(); }

FILE* OpenInput(const uint8_t* data, std::size_t size) {
  // The stream only reads: the cast gives fmemopen the pointer type it takes.
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  Check(file != nullptr, "fmemopen");
  return file;
}

void UseReadPolygons() {
  if (store.polygonCount < 1) return;
  BoundAll();
  ComputeExtents();
  ClearJournal();
  ZoomAll();
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    Check(p.count > 0 && p.points != nullptr, "every stored polygon has points");
    for (int32_t k = 0; k < p.count; ++k) {
      const Pixel pixel = WorldToPixel(p.points[k].x, p.points[k].y);
      volatile long drawn = pixel.column ^ pixel.row;
      (void)drawn;
    }
  }
  static FILE* sink = std::fopen("/dev/null", "w");
  long lines = 0;
  Check(WritePolygonStream(sink, lines, cornerMarks == 1, false), "writing to /dev/null");
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "\ncheck failed: %s\n", what);
  std::abort();
}

}  // namespace kestrel::fuzz
