// The polygon store: one global growable array of polygon records, the
// selection encoding, and the store-wide flags and buffers that the
// subsystems share.
#pragma once

#include <cstdint>

namespace kestrel {

struct PolygonPoint {
  double x;
  double y;
  double z;  // carried through files and edits; 0 when a source gives none
};

// One polygon. Plain values, copied byte for byte when the array grows.
// A closed polygon stores its first point again as its last.
struct Polygon {
  char name[32];       // at most 31 characters and a terminating NUL
  int32_t closed;      // 1 closed, 0 open
  int32_t color;       // pen index 0..11
  int32_t selection;   // 0 none, > 0 whole polygon, < 0 point count + selection
  int32_t count;       // stored points
  int32_t corners[4];  // grid corners as 1-based point numbers; 0 = not set
  double xmin, xmax, ymin, ymax;
  PolygonPoint* points;  // owned
};
static_assert(sizeof(Polygon) == 104, "the record layout is part of the allocation messages");
static_assert(sizeof(PolygonPoint) == 24);

struct PolygonStore {
  Polygon* polygons = nullptr;  // slots at and beyond polygonCount are spare
  int32_t polygonCount = 0;
  int32_t polygonCapacity = 0;
};

// Records are added in steps of this many.
constexpr int32_t kStoreGrowth = 1000;

// Two points coincide when their distance is below this (2^-52).
constexpr double kCoincident = 2.220446049250313e-16;

extern PolygonStore store;

extern int32_t selectedPolygon;  // the one selected polygon, else -1
extern int32_t selectedPoint;    // its selected point (0-based), else -1
extern int32_t selectedCount;    // polygons with a nonzero selection
extern int32_t modified;         // polygons differ from the file
extern int32_t needFileName;     // fileName holds no usable name
extern int32_t gridsValid;       // step 1 has gridded the current polygons
extern int32_t linksValid;       // step 2 has linked the current grids
extern int32_t cornerMarks;      // the polygon file writer writes corner marks
extern int32_t clipPolygon;      // index of the polygon named "clip", or -1
extern char fileName[260];
extern char statusText[512];

// Shorthand for record i of the store.
inline Polygon& PolygonAt(int32_t i) { return store.polygons[i]; }

// Recomputes selectedPolygon, selectedPoint and selectedCount from the
// selection fields and returns selectedCount.
int32_t QuerySelection();

// After a polygon's point count changed from `oldCount` (Undo, or any edit
// that does not set the selection itself): a point selection keeps its point
// index when that still names a distinct point, and otherwise becomes a
// selection of the whole polygon. Without this the stored selection (kept
// relative to the count) would name another point or none at all.
void KeepPointSelection(Polygon& polygon, int32_t oldCount);

// Every change of geometry, membership or names: the grids and links go stale.
void MarkModified();

// Frees every polygon's points and empties the store; the array stays.
void ClearPolygons();

// Makes room for one more record (growing by kStoreGrowth through Reallocate
// with `code` when full) and returns the spare slot at polygonCount, cleared.
// The caller fills it and then increments polygonCount.
Polygon& PrepareNewPolygon(int code);

// Copies a name into a record's name field (cut at 31 characters, the rest of
// the field zeroed, so that names compare and record byte for byte).
void SetPolygonName(Polygon& polygon, const char* name);

// Puts every store-wide value back to its start-up state and frees all memory
// the store holds (start of a test, end of the program).
void ResetStore();

}  // namespace kestrel
