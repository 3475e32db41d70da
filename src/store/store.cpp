#include "store/store.h"

#include <cstring>

#include "app/report.h"

namespace kestrel {

PolygonStore store;

int32_t selectedPolygon = -1;
int32_t selectedPoint = -1;
int32_t selectedCount = 0;
int32_t modified = 0;
int32_t needFileName = 1;
int32_t gridsValid = 0;
int32_t linksValid = 0;
int32_t cornerMarks = 0;
int32_t clipPolygon = -1;
char fileName[260];
char statusText[512];

int32_t QuerySelection() {
  selectedPolygon = -1;
  selectedPoint = -1;
  selectedCount = 0;
  if (store.polygonCount < 1) return 0;
  int32_t nonzero = 0;
  int32_t negative = 0;
  int32_t last = -1;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = store.polygons[i];
    // A point selection that names no stored point would send the point
    // commands outside the point array: it stands for the whole polygon.
    if (p.selection < -p.count) p.selection = 1;
    const int32_t s = p.selection;
    if (s < 0) {
      if (negative > 0) Abort(584, "more than one polygon has selected point");
      if (nonzero > 0) {
        Abort(586, "more than one polygon is selected\nand at least one of them has a selected point");
      }
      ++negative;
      ++nonzero;
      last = i;
    } else if (s > 0) {
      ++nonzero;
      last = i;
    }
  }
  selectedCount = nonzero;
  if (nonzero == 1) {
    selectedPolygon = last;
    if (negative == 1) selectedPoint = store.polygons[last].count + store.polygons[last].selection;
  }
  return selectedCount;
}

void KeepPointSelection(Polygon& polygon, int32_t oldCount) {
  if (polygon.selection >= 0) return;
  const int32_t k = oldCount + polygon.selection;
  polygon.selection = (k >= 0 && k < polygon.count - polygon.closed) ? k - polygon.count : 1;
}

void MarkModified() {
  modified = 1;
  gridsValid = 0;
  linksValid = 0;
}

void ClearPolygons() {
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    FreeBlock(store.polygons[i].points);
    store.polygons[i].points = nullptr;
    store.polygons[i].count = 0;
  }
  store.polygonCount = 0;
  gridsValid = 0;
  linksValid = 0;
  QuerySelection();
}

Polygon& PrepareNewPolygon(int code) {
  if (store.polygonCount >= store.polygonCapacity) {
    int32_t grown = store.polygonCapacity + kStoreGrowth;
    store.polygons = GrowArray<Polygon>(code, store.polygons, store.polygonCapacity, grown);
    store.polygonCapacity = grown;
  }
  Polygon& p = store.polygons[store.polygonCount];
  std::memset(&p, 0, sizeof p);
  return p;
}

void SetPolygonName(Polygon& polygon, const char* name) {
  std::memset(polygon.name, 0, sizeof polygon.name);
  std::strncpy(polygon.name, name, sizeof polygon.name - 1);
}

void ResetStore() {
  ClearPolygons();
  FreeBlock(store.polygons);
  store = PolygonStore{};
  selectedPolygon = -1;
  selectedPoint = -1;
  selectedCount = 0;
  modified = 0;
  needFileName = 1;
  gridsValid = 0;
  linksValid = 0;
  cornerMarks = 0;
  clipPolygon = -1;
  fileName[0] = '\0';
  statusText[0] = '\0';
}

}  // namespace kestrel
