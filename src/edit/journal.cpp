#include "edit/journal.h"

#include <climits>
#include <cstring>
#include <vector>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/cornerfollow.h"
#include "view/mouse.h"
#include "view/view.h"

namespace kestrel {

UndoJournal journal;

namespace {

// Grows the journal by one step. False when it cannot: memory is short or
// the entry count would pass what 32 bits hold.
bool GrowJournal() {
  if (journal.capacity > INT32_MAX - kJournalGrowth) return false;
  const int32_t grown = journal.capacity + kJournalGrowth;
  int32_t* entries =
      TryGrowArray<int32_t>(journal.entries, static_cast<size_t>(journal.capacity), static_cast<size_t>(grown));
  if (!entries) return false;
  journal.entries = entries;
  journal.capacity = grown;
  return true;
}

// The journal could not grow in the middle of an edit. The edit goes on (it
// may already have changed the store), but its record would be incomplete,
// so every record goes and Undo stays off until the journal is emptied again.
// Its memory is given back: it is short.
void SuspendJournal() {
  FreeBlock(journal.entries);
  journal.entries = nullptr;
  journal.top = 0;
  journal.capacity = 0;
  journal.suspended = 1;
  SetUndoButton(false);
  UpdateButtons();
  Notify(641,
         "there is not enough memory to record this edit for Undo:\n"
         "Undo is switched off until the next file is opened,\n"
         "and the edits made so far can no longer be undone");
}

}  // namespace

void PushInt(int32_t value) {
  if (journal.suspended) return;
  if (journal.top == journal.capacity && !GrowJournal()) {
    SuspendJournal();
    return;
  }
  if (journal.top == 0) {
    SetUndoButton(true);
    UpdateButtons();
  }
  journal.entries[journal.top++] = value;
}

void PushDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  PushInt(static_cast<int32_t>(static_cast<uint32_t>(bits & 0xffffffffu)));
  PushInt(static_cast<int32_t>(static_cast<uint32_t>(bits >> 32)));
}

void PushPoint(const PolygonPoint& p) {
  PushDouble(p.z);
  PushDouble(p.y);
  PushDouble(p.x);
}

void PushName(const char name[32]) {
  int32_t words[8];
  std::memcpy(words, name, sizeof words);
  for (int k = 7; k >= 0; --k) PushInt(words[k]);
}

int32_t PopInt() {
  if (journal.top < 1) Abort(676, "Undo stack underflow");
  return journal.entries[--journal.top];
}

double PopDouble() {
  const uint64_t high = static_cast<uint32_t>(PopInt());
  const uint64_t low = static_cast<uint32_t>(PopInt());
  const uint64_t bits = (high << 32) | low;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

PolygonPoint PopPoint() {
  PolygonPoint p;
  p.x = PopDouble();
  p.y = PopDouble();
  p.z = PopDouble();
  return p;
}

void PopName(char name[32]) {
  int32_t words[8];
  for (int k = 0; k < 8; ++k) words[k] = PopInt();
  std::memcpy(name, words, sizeof words);
}

void ClearJournal() {
  journal.top = 0;
  journal.suspended = 0;
  SetUndoButton(false);
  UpdateButtons();
}

void RecordView() {
  PushDouble(view.originY);
  PushDouble(view.originX);
  PushDouble(view.scale);
  PushInt(UndoView);
}

void RecordPointMove(int32_t polygon, int32_t point, const PolygonPoint& old, int32_t code) {
  PushPoint(old);
  PushInt(point);
  PushInt(polygon);
  PushInt(code);
}

void RecordPoints(int32_t polygon) {
  const Polygon& p = PolygonAt(polygon);
  for (int32_t k = p.count - 1; k >= 0; --k) PushPoint(p.points[k]);
  PushInt(p.count);
  PushInt(polygon);
  PushInt(UndoRestorePoints);
  RecordCorners(polygon);
}

void RecordCorners(int32_t polygon) {
  const Polygon& p = PolygonAt(polygon);
  if (!HasCorners(p)) return;
  for (int c = 3; c >= 0; --c) PushInt(p.corners[c]);
  PushInt(polygon);
  PushInt(UndoCorners);
}

void RecordRename(int32_t polygon) {
  PushName(PolygonAt(polygon).name);
  PushInt(polygon);
  PushInt(UndoRename);
}

void RecordInsertPolygon(int32_t polygon) {
  const Polygon& p = PolygonAt(polygon);
  for (int32_t k = p.count - 1; k >= 0; --k) PushPoint(p.points[k]);
  PushInt(p.count);
  PushInt(p.closed);
  PushInt(p.color);
  PushName(p.name);
  PushInt(polygon);
  PushInt(UndoInsertPolygon);
  RecordCorners(polygon);
}

namespace {

// Removes record i from the store, freeing its points.
void RemoveRecord(int32_t i) {
  FreeBlock(store.polygons[i].points);
  std::memmove(&store.polygons[i], &store.polygons[i + 1],
               sizeof(Polygon) * static_cast<size_t>(store.polygonCount - 1 - i));
  --store.polygonCount;
  // The slot that fell out of use must not keep a pointer it no longer owns.
  std::memset(&store.polygons[store.polygonCount], 0, sizeof(Polygon));
}

int32_t PopPolygonIndex(int code) {
  const int32_t p = PopInt();
  if (p < 0 || p >= store.polygonCount) Abort(code, "no such polygon");
  return p;
}

// Grows polygon p's point array by one place at the end.
void GrowPoints(int code, Polygon& p) {
  p.points = GrowArray<PolygonPoint>(code, p.points, static_cast<size_t>(p.count), static_cast<size_t>(p.count) + 1);
}

}  // namespace

void DeletePolygon(int32_t index) {
  RecordInsertPolygon(index);
  RemoveRecord(index);
  if (store.polygonCount > 0) {
    MarkModified();
  } else {
    // Nothing is left to grid or link: the old grids must not be shown.
    gridsValid = 0;
    linksValid = 0;
    Notify(1882, "all polygons have been deleted");
  }
}

void ClearPolygonsForUndo() {
  const int32_t n = store.polygonCount;
  for (int32_t i = n - 1; i >= 0; --i) {
    RecordInsertPolygon(i);
    RemoveRecord(i);
  }
  if (n > 0) {
    PushInt(n);
    PushInt(UndoPolygonList);
  }
  ClearPolygons();
}

int32_t DeleteSelectedPolygons(bool withPointsOnly) {
  int32_t deleted = 0;
  for (int32_t i = store.polygonCount - 1; i >= 0; --i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0 || (withPointsOnly && p.count < 1)) continue;
    DeletePolygon(i);
    ++deleted;
  }
  if (deleted > 0) {
    PushInt(deleted);
    PushInt(UndoPolygonList);
  }
  return deleted;
}

void ReplayRecord(int32_t code) {
  gridsValid = 0;
  linksValid = 0;
  switch (code) {
    case UndoRemovePoint: {
      const int32_t index = PopPolygonIndex(4290);
      Polygon& p = PolygonAt(index);
      if (p.count < 1) Abort(4293, "degenerate polygon");
      const int32_t i = PopInt();
      if (i < 0 || i >= p.count) Abort(4296, "no such point");
      const int32_t oldCount = p.count;
      std::vector<PolygonPoint> old;
      if (HasCorners(p)) old.assign(p.points, p.points + p.count);
      std::memmove(&p.points[i], &p.points[i + 1], sizeof(PolygonPoint) * static_cast<size_t>(p.count - 1 - i));
      --p.count;
      FollowRemovedPoint(index, i, old.data(), oldCount, p.closed == 1);
      KeepPointSelection(p, oldCount);
      BoundPolygon(index);
      break;
    }
    case UndoInsertPoint: {
      const int32_t index = PopPolygonIndex(4316);
      Polygon& p = PolygonAt(index);
      if (p.count < 1) Abort(4319, "degenerate polygon");
      const int32_t i = PopInt();
      if (i < 0 || i > p.count) Abort(4322, "no such point");
      GrowPoints(4323, p);
      std::memmove(&p.points[i + 1], &p.points[i], sizeof(PolygonPoint) * static_cast<size_t>(p.count - i));
      p.points[i] = PopPoint();
      ++p.count;
      FollowInsertedPoint(index, i);
      KeepPointSelection(p, p.count - 1);
      BoundPolygon(index);
      break;
    }
    case UndoRestorePoint: {
      const int32_t index = PopPolygonIndex(4377);
      Polygon& p = PolygonAt(index);
      if (p.count < 1) Abort(4380, "degenerate polygon");
      const int32_t i = PopInt();
      if (i < 0 || i >= p.count) Abort(4383, "no such point");
      p.points[i] = PopPoint();
      if (p.closed && i == 0) p.points[p.count - 1] = p.points[0];
      BoundPolygon(index);
      break;
    }
    case UndoRotateBack: {
      const int32_t index = PopPolygonIndex(4248);
      Polygon& p = PolygonAt(index);
      if (p.count < 3) Abort(4251, "polygon shouldn't have been re-ordered");
      if (!p.closed) Abort(4253, "polygon wasn't closed");
      const int32_t r = PopInt();
      if (r < 0 || r >= p.count) Abort(4256, "no such point");
      if (r == 0) Abort(4258, "trivial re-ordereding");
      PolygonPoint* rotated = AllocArray<PolygonPoint>(4260, static_cast<size_t>(p.count));
      int32_t n = 0;
      for (int32_t k = r; k <= p.count - 2; ++k) rotated[n++] = p.points[k];
      for (int32_t k = 0; k <= r - 1; ++k) rotated[n++] = p.points[k];
      rotated[n] = p.points[r];
      FreeBlock(p.points);
      p.points = rotated;
      FollowRotation(index, r);
      for (int32_t k = 0; k < store.polygonCount; ++k) store.polygons[k].selection = 0;
      p.selection = -p.count;
      break;
    }
    case UndoReclose: {
      const int32_t index = PopPolygonIndex(4275);
      Polygon& p = PolygonAt(index);
      if (p.closed) Abort(4277, "polygon is already closed");
      if (p.count < 2) Abort(4280, "polygon shouldn't have been opened");
      p.closed = 1;
      GrowPoints(4282, p);
      p.points[p.count] = p.points[0];
      ++p.count;
      FollowClosingPoint(index);
      KeepPointSelection(p, p.count - 1);
      break;
    }
    case UndoRemovePolygon:
      RemoveRecord(PopPolygonIndex(4306));
      break;
    case UndoInsertPolygon: {
      if (store.polygonCount == store.polygonCapacity) {
        const int32_t grown = store.polygonCapacity + kStoreGrowth;
        store.polygons = GrowArray<Polygon>(4335, store.polygons, store.polygonCapacity, grown);
        store.polygonCapacity = grown;
      }
      const int32_t index = PopInt();
      if (index < 0 || index > store.polygonCount) Abort(4337, "no such polygon");
      std::memmove(&store.polygons[index + 1], &store.polygons[index],
                   sizeof(Polygon) * static_cast<size_t>(store.polygonCount - index));
      Polygon& p = store.polygons[index];
      std::memset(&p, 0, sizeof p);
      PopName(p.name);
      p.color = PopInt();
      p.closed = PopInt();
      const int32_t n = PopInt();
      if (n < 1) Abort(4345, "polygon is degenerate");
      p.points = AllocArray<PolygonPoint>(4346, static_cast<size_t>(n));
      for (int32_t k = 0; k < n; ++k) p.points[k] = PopPoint();
      p.count = n;
      BoundPolygon(index);
      ++store.polygonCount;
      break;
    }
    case UndoReopen: {
      const int32_t index = PopPolygonIndex(4357);
      Polygon& p = PolygonAt(index);
      if (!p.closed) Abort(4359, "polygon is already opened");
      if (p.count < 3) Abort(4362, "polygon shouldn't have been closed");
      p.closed = 0;
      --p.count;
      FollowClosingPoint(index);
      KeepPointSelection(p, p.count + 1);
      break;
    }
    case UndoRename: {
      Polygon& p = PolygonAt(PopPolygonIndex(4370));
      PopName(p.name);
      break;
    }
    case UndoRestorePoints: {
      const int32_t index = PopPolygonIndex(4394);
      Polygon& p = PolygonAt(index);
      const int32_t n = PopInt();
      if (n < 0) Abort(4397, "polygon is degenerate");
      const int32_t oldCount = p.count;
      std::vector<PolygonPoint> old;
      if (HasCorners(p)) old.assign(p.points, p.points + p.count);
      if (n > p.count) {
        FreeBlock(p.points);
        p.points = AllocArray<PolygonPoint>(4399, static_cast<size_t>(n));
      }
      for (int32_t k = 0; k < n; ++k) p.points[k] = PopPoint();
      p.count = n;
      // Corners set since the edit follow along the line; a polygon that had
      // corners then gets them back from the UndoCorners record after this.
      FollowCornersAlongLine(index, old.data(), oldCount, p.closed == 1);
      KeepPointSelection(p, oldCount);
      BoundPolygon(index);
      break;
    }
    case UndoReverse: {
      const int32_t index = PopPolygonIndex(4411);
      Polygon& p = PolygonAt(index);
      if (p.count < 2) Abort(4413, "polygon shouldn't have been reversed");
      for (int32_t i = 0, j = p.count - 1; i < j; ++i, --j) {
        const PolygonPoint t = p.points[i];
        p.points[i] = p.points[j];
        p.points[j] = t;
      }
      FollowReversal(index);
      if (p.selection < 0) {
        // The selected location stays selected, as the reverse command keeps it.
        const int32_t k = p.count + p.selection;
        p.selection = ((p.closed && k == 0) ? 0 : p.count - 1 - k) - p.count;
      }
      break;
    }
    case UndoCorners: {
      const int32_t index = PopInt();
      int32_t corners[4];
      for (int32_t& c : corners) c = PopInt();
      const int32_t inner = PopInt();
      if (inner != UndoInsertPolygon && inner != UndoRestorePoints && inner != UndoInsertPoint) {
        Abort(4427, "unexpected code (%li) with corners", static_cast<long>(inner));
      }
      // The corners come back as they were; those of now need not follow.
      if (inner != UndoInsertPolygon && index >= 0 && index < store.polygonCount) {
        std::memset(PolygonAt(index).corners, 0, sizeof corners);
      }
      ReplayRecord(inner);
      if (index < 0 || index >= store.polygonCount) Abort(4428, "no such polygon");
      std::memcpy(PolygonAt(index).corners, corners, sizeof corners);
      break;
    }
    default:
      Abort(4424, "unexpected undo code (%li)", static_cast<long>(code));
  }
}

namespace {

void ReplayList(int32_t elementCode, int nullCode) {
  const int32_t n = PopInt();
  if (n < 1) Abort(nullCode, "null list");
  for (int32_t k = 0; k < n; ++k) ReplayRecord(elementCode);
}

void ReplayCodedList(int nullCode, int unexpectedCode, bool mixed) {
  const int32_t n = PopInt();
  if (n < 1) Abort(nullCode, "null list");
  for (int32_t k = 0; k < n; ++k) {
    const int32_t code = PopInt();
    const bool allowed = code == UndoInsertPolygon || code == UndoRestorePoints || code == UndoCorners ||
                         (mixed && code == UndoRemovePolygon);
    if (!allowed) Abort(unexpectedCode, "unexpected code (%li) in undo list", static_cast<long>(code));
    ReplayRecord(code);
  }
}

}  // namespace

void UndoLast() {
  // A drag under way has its record on the journal and goes on moving: undone
  // now, the rest of the drag would be recorded nowhere.
  if (GestureButton() != 0) {
    UI().Beep();
    return;
  }
  if (journal.top == 0) {
    ShowStatus("there is nothing in the undo stack");
    return;
  }
  const int32_t code = PopInt();
  if (code / 100 * 100 != 2147483600) Abort(4438, "illegal code in undo stack");
  switch (code) {
    case UndoRecloseList:
      ReplayList(UndoReclose, 4443);
      break;
    case UndoRemovePolygonList:
      ReplayList(UndoRemovePolygon, 4451);
      break;
    case UndoReopenList:
      ReplayList(UndoReopen, 4473);
      break;
    case UndoReverseList:
      ReplayList(UndoReverse, 4497);
      break;
    case UndoPolygonList:
      ReplayCodedList(4459, 4466, false);
      break;
    case UndoMixedList:
      ReplayCodedList(4481, 4490, true);
      break;
    case UndoView:
      view.scale = PopDouble();
      view.originX = PopDouble();
      view.originY = PopDouble();
      break;
    default:
      ReplayRecord(code);
  }
  if (journal.top == 0) SetUndoButton(false);
  // Store edits clear the grid and link flags, so the step buttons change too.
  UpdateButtons();
  BoundAll();
  ComputeExtents(false);
  UI().RepaintPlot();
}

void ResetJournal() {
  FreeBlock(journal.entries);
  journal = UndoJournal{};
}

}  // namespace kestrel
