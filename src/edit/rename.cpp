// Renaming the selected polygon, and removing the selected polygons that are
// shorter than a given length.
#include <cmath>
#include <string>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/dialogs.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "store/selection.h"
#include "view/view.h"

namespace kestrel {

namespace {

// The first 31 bytes of a name, without a UTF-8 character cut in half.
std::string FitName(const std::string& text) {
  constexpr size_t kMax = sizeof(Polygon::name) - 1;
  if (text.size() <= kMax) return text;
  size_t end = kMax;
  // Step back over continuation bytes to the start of the cut character,
  // which then goes as a whole.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

void RenamePolygon() {
  if (!RequireSinglePolygon("there are no polygons to rename")) return;
  const int32_t index = selectedPolygon;
  std::string text = PolygonAt(index).name;
  if (!UI().AskValue("RENAME", text)) return;
  // OK records and marks even an unchanged name: the user confirmed it.
  RecordRename(index);
  SetPolygonName(PolygonAt(index), FitName(text).c_str());
  MarkModified();
}

void RemoveShortPolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no short polygons to remove");
    return;
  }
  int32_t selected = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (PolygonAt(i).selection != 0) ++selected;
  }
  if (selected == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  double* lengths = AllocArray<double>(3481, static_cast<size_t>(selected));
  double total = 0;
  int32_t k = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    if (p.selection < 0) p.selection = 1;
    double length = 0;
    for (int32_t j = 1; j < p.count; ++j) {
      length += std::hypot(p.points[j].x - p.points[j - 1].x, p.points[j].y - p.points[j - 1].y);
    }
    lengths[k++] = length;
    total += length;
  }
  dialogValue = total / selected;  // the average length
  ValueDialog("REMOVE");
  if (dialogValue > 0) {
    k = 0;
    for (int32_t i = 0; i < store.polygonCount; ++i) {
      Polygon& p = PolygonAt(i);
      if (p.selection == 0) continue;
      if (lengths[k++] < dialogValue) p.selection = 2;
    }
    int32_t deleted = 0;
    for (int32_t i = store.polygonCount - 1; i >= 0; --i) {
      if (PolygonAt(i).selection <= 1) continue;
      DeletePolygon(i);
      ++deleted;
    }
    // A single deletion's own record undoes the same way as a list of one.
    if (deleted > 1) {
      PushInt(deleted);
      PushInt(UndoPolygonList);
    }
  }
  FreeBlock(lengths);
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to bound");
  } else {
    for (int32_t i = 0; i < store.polygonCount; ++i) BoundPolygon(i);
  }
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

}  // namespace kestrel
