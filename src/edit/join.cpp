// Making one open polygon out of several: join two at their nearest ends,
// or combine any number whose end points meet.
#include <cmath>
#include <cstring>
#include <vector>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/cornerfollow.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "view/view.h"

namespace kestrel {

namespace {

double Distance(const PolygonPoint& a, const PolygonPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// Removes record i (whose points the caller has already freed or taken) by
// moving the later records down one place.
void DropRecord(int32_t i) {
  std::memmove(&store.polygons[i], &store.polygons[i + 1],
               sizeof(Polygon) * static_cast<size_t>(store.polygonCount - 1 - i));
  --store.polygonCount;
  std::memset(&store.polygons[store.polygonCount], 0, sizeof(Polygon));
}

}  // namespace

void JoinPolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to join");
    return;
  }
  int32_t ia = -1, ib = -1, selected = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (PolygonAt(i).selection == 0) continue;
    if (selected == 0) ia = i;
    if (selected == 1) ib = i;
    ++selected;
  }
  if (selected != 2) {
    ShowStatus("you must first select two polygons");
    return;
  }
  if (PolygonAt(ia).closed || PolygonAt(ib).closed) {
    ShowStatus("you can only join open polygons");
    return;
  }
  RecordPoints(ia);
  RecordInsertPolygon(ib);
  PushInt(2);
  PushInt(UndoMixedList);

  Polygon& a = PolygonAt(ia);
  const Polygon& b = PolygonAt(ib);
  const int32_t na = a.count, nb = b.count;
  PolygonPoint* joined = AllocArray<PolygonPoint>(1972, static_cast<size_t>(na) + static_cast<size_t>(nb));
  const PolygonPoint &aFirst = a.points[0], &aLast = a.points[na - 1];
  const PolygonPoint &bFirst = b.points[0], &bLast = b.points[nb - 1];
  const double d1 = Distance(aFirst, bFirst);
  const double d2 = Distance(aFirst, bLast);
  const double d3 = Distance(aLast, bFirst);
  const double d4 = Distance(aLast, bLast);
  // Ties go to the earlier of d1, d2, d4, d3.
  bool reverseA, reverseB;
  if (d1 <= d2 && d1 <= d3 && d1 <= d4) {
    reverseA = true, reverseB = false;
  } else if (d2 <= d1 && d2 <= d3 && d2 <= d4) {
    reverseA = true, reverseB = true;
  } else if (d4 <= d1 && d4 <= d2 && d4 <= d3) {
    reverseA = false, reverseB = true;
  } else {
    reverseA = false, reverseB = false;
  }
  int32_t n = 0;
  for (int32_t k = 0; k < na; ++k) joined[n++] = a.points[reverseA ? na - 1 - k : k];
  for (int32_t k = 0; k < nb; ++k) joined[n++] = b.points[reverseB ? nb - 1 - k : k];

  FreeBlock(a.points);
  a.points = joined;
  a.count = na + nb;
  FreeBlock(b.points);
  DropRecord(ib);
  // A keeps its corners; its points may now run the other way.
  if (reverseA) {
    std::vector<int32_t> moved(static_cast<size_t>(na));
    for (int32_t k = 0; k < na; ++k) moved[k] = na - 1 - k;
    FollowCornersByIndex(ia, moved.data(), nullptr, na, false);
  }

  MarkModified();
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

namespace {

// Two points meet when x and y, each rounded to single precision, have the
// same bit patterns.
bool SameFloat(double u, double v) {
  const float fu = static_cast<float>(u), fv = static_cast<float>(v);
  uint32_t bu, bv;
  std::memcpy(&bu, &fu, sizeof bu);
  std::memcpy(&bv, &fv, sizeof bv);
  return bu == bv;
}

bool Meet(const PolygonPoint& a, const PolygonPoint& b) { return SameFloat(a.x, b.x) && SameFloat(a.y, b.y); }

bool OpenAndSelected(const Polygon& p) { return p.selection != 0 && !p.closed; }

// Appends polygon jb to polygon ja when their ends meet, dropping the
// duplicate meeting point. Returns false when they do not meet.
bool Chain(int32_t ja, int32_t jb) {
  Polygon& a = PolygonAt(ja);
  Polygon& b = PolygonAt(jb);
  const int32_t na = a.count, nb = b.count;
  const PolygonPoint &aFirst = a.points[0], &aLast = a.points[na - 1];
  const PolygonPoint &bFirst = b.points[0], &bLast = b.points[nb - 1];
  const size_t total = static_cast<size_t>(na) + static_cast<size_t>(nb) - 1;
  PolygonPoint* chained = nullptr;
  int32_t n = 0;
  bool prepended = false;  // B came in front of A
  if (Meet(aLast, bFirst) || Meet(aLast, bLast)) {
    // All of A, then B from its end after the meeting point.
    const bool forward = Meet(aLast, bFirst);
    chained = AllocArray<PolygonPoint>(2063, total);
    for (int32_t k = 0; k < na; ++k) chained[n++] = a.points[k];
    if (forward) {
      for (int32_t k = 1; k < nb; ++k) chained[n++] = b.points[k];
    } else {
      for (int32_t k = nb - 2; k >= 0; --k) chained[n++] = b.points[k];
    }
  } else if (Meet(aFirst, bFirst) || Meet(aFirst, bLast)) {
    // B arranged to end at the meeting point, then A after its first point.
    const bool forward = !Meet(aFirst, bFirst);
    prepended = true;
    chained = AllocArray<PolygonPoint>(2088, total);
    for (int32_t k = 0; k < nb; ++k) chained[n++] = b.points[forward ? k : nb - 1 - k];
    for (int32_t k = 1; k < na; ++k) chained[n++] = a.points[k];
  } else {
    return false;
  }
  FreeBlock(a.points);
  FreeBlock(b.points);
  a.points = chained;
  a.count = n;
  if (prepended && HasCorners(a)) {
    // A's points moved up behind B's; A's first point is B's meeting point.
    std::vector<int32_t> moved(static_cast<size_t>(na));
    for (int32_t k = 0; k < na; ++k) moved[k] = k + nb - 1;
    FollowCornersByIndex(ja, moved.data(), nullptr, na, false);
  }
  if (b.xmin < a.xmin) a.xmin = b.xmin;
  if (b.xmax > a.xmax) a.xmax = b.xmax;
  if (b.ymin < a.ymin) a.ymin = b.ymin;
  if (b.ymax > a.ymax) a.ymax = b.ymax;
  DropRecord(jb);
  return true;
}

}  // namespace

void CombinePolygons() {
  if (store.polygonCount < 2) {
    ShowStatus("there are no polygons to combine");
    return;
  }
  int32_t candidates = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (OpenAndSelected(PolygonAt(i))) ++candidates;
  }
  if (candidates < 2) {
    ShowStatus("you must first select at least two open polygons");
    return;
  }
  int32_t pairs = 0;
  for (int32_t j = 0; j < store.polygonCount - 1; ++j) {
    if (!OpenAndSelected(PolygonAt(j))) continue;
    bool grown = true;
    while (grown) {
      grown = false;
      for (int32_t m = j + 1; m < store.polygonCount; ++m) {
        if (!OpenAndSelected(PolygonAt(m))) continue;
        if (Chain(j, m)) {
          ++pairs;
          ShowStatusF(false, "%i polygon pairs joined", static_cast<int>(pairs));
          grown = true;
          break;
        }
      }
    }
    ShowStatusF(true, "%i polygon pairs joined", static_cast<int>(pairs));
  }
  // Combine keeps no undo record, and merging renumbered the store: older
  // records could name polygons that now hold other points or no longer
  // exist, so they must never be replayed.
  if (pairs > 0) ClearJournal();
  MarkModified();
  UpdateButtons();
  UI().RepaintPlot();
}

}  // namespace kestrel
