// The undo journal: one stack of 32-bit integers. Every edit of the store and
// every change of the view pushes a record that ends in its operation code;
// Undo pops the newest record and reverses it.
#pragma once

#include <cstdint>

#include "store/store.h"

namespace kestrel {

struct UndoJournal {
  int32_t* entries = nullptr;  // entry 0 is the oldest
  int32_t top = 0;             // entries in use
  int32_t capacity = 0;        // entries allocated
  int32_t suspended = 0;       // 1 after the journal could not grow: nothing is
                               // recorded until ClearJournal
};

extern UndoJournal journal;

constexpr int32_t kJournalGrowth = 65536;

// Operation codes (2147483600 + n). A code is always a record's last entry.
enum UndoCode : int32_t {
  UndoRemovePoint = 2147483601,
  UndoInsertPoint = 2147483602,
  UndoRestorePoint = 2147483603,
  UndoRotateBack = 2147483604,
  UndoReclose = 2147483605,
  UndoRecloseList = 2147483606,
  UndoRemovePolygon = 2147483607,
  UndoRemovePolygonList = 2147483608,
  UndoInsertPolygon = 2147483609,
  UndoPolygonList = 2147483610,
  UndoReopen = 2147483611,
  UndoReopenList = 2147483612,
  UndoRename = 2147483613,
  UndoRestorePoints = 2147483614,
  UndoMixedList = 2147483615,
  UndoReverse = 2147483616,
  UndoReverseList = 2147483617,
  // The polygon's corners before the edit: corners 1 to 4 and the polygon
  // index, pushed right after another record (UndoInsertPolygon,
  // UndoRestorePoints or UndoInsertPoint) of a polygon that had corners.
  // Undo replays that record and then puts the corners back; a record of a
  // polygon without corners has none, so the other records keep their layout.
  UndoCorners = 2147483618,
  UndoView = 2147483619,
};

// Stack primitives. When the journal cannot grow, PushInt reports it once,
// drops every record and records nothing more until ClearJournal: the edit
// under way goes on without Undo instead of ending the program.
void PushInt(int32_t value);
void PushDouble(double value);          // low 32 bits first, then high
void PushPoint(const PolygonPoint& p);  // z, y, x
void PushName(const char name[32]);     // last word first
int32_t PopInt();
double PopDouble();
PolygonPoint PopPoint();
void PopName(char name[32]);

// Empties the journal (the allocation stays), disables the Undo button and
// lets a suspended journal record again.
void ClearJournal();

// Recording helpers.
void RecordView();
void RecordPointMove(int32_t polygon, int32_t point, const PolygonPoint& old, int32_t code);
void RecordPoints(int32_t polygon);
void RecordRename(int32_t polygon);
// Pushes the whole polygon as an UndoInsertPolygon record (points last to
// first, count, closed, color, name, index, code), with its corners.
void RecordInsertPolygon(int32_t polygon);
// Pushes the UndoCorners record that goes with the record just pushed for
// polygon `polygon`, when it has corners (RecordPoints and
// RecordInsertPolygon do this themselves).
void RecordCorners(int32_t polygon);

// Empties the store as ClearPolygons does, but records every polygon first
// (one UndoPolygonList record), so that one Undo brings them all back.
void ClearPolygonsForUndo();

// Records and removes polygon i. Neither rebounds nor redraws.
void DeletePolygon(int32_t index);

// Deletes every selected polygon (with points, when `withPointsOnly`) from
// the highest index down, so that one UndoPolygonList record brings them
// all back at their places; pushes that record when anything was deleted.
// Returns how many were deleted. Neither rebounds nor redraws.
int32_t DeleteSelectedPolygons(bool withPointsOnly);

// Reverses one record whose code has already been popped.
void ReplayRecord(int32_t code);

// The Undo command.
void UndoLast();

// Frees the journal completely (end of the program, start of a test).
void ResetJournal();

}  // namespace kestrel
