// Paste of any clipboard text. What paste made is copied and pasted again,
// which must give as many polygons again with the same point counts, and
// two Undos must take both pastes away.
#include <vector>

#include "edit/journal.h"
#include "formats/clipboard.h"
#include "fuzz_frontend.h"
#include "store/store.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::BeginInput("input.p2d");
  fuzz::Front().clipboard.assign(reinterpret_cast<const char*>(data), size);
  PastePolygons();

  const int32_t pasted = store.polygonCount;
  if (pasted > 0) {
    std::vector<int32_t> counts;
    for (int32_t i = 0; i < pasted; ++i) counts.push_back(PolygonAt(i).count);
    CopyPolygons();
    PastePolygons();
    fuzz::Check(store.polygonCount == 2 * pasted, "pasting what copy wrote gives the same polygons");
    for (int32_t i = 0; i < pasted; ++i) {
      fuzz::Check(PolygonAt(pasted + i).count == counts[static_cast<size_t>(i)], "and the same point counts");
    }
    UndoLast();
    fuzz::Check(store.polygonCount == pasted, "undo takes the second paste away");
    UndoLast();
    fuzz::Check(store.polygonCount == 0, "undo takes the first paste away");
  }
  fuzz::EndInput();
  return 0;
}
