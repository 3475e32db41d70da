// Copy, cut and paste of polygons as clipboard text.
//
// Copy writes one block per selected polygon that has points:
//
//   POLY<tab>name<CR><LF>      keyword by point count (POLY, LINE, POINT)
//   x<tab>y<tab>z<CR><LF>      one line per stored point, nine digits
//   END<CR><LF>
//
// Paste reads any text: every run of lines that start with at least two
// numbers becomes a new polygon, one point per line; all other lines only
// separate the runs.
#pragma once

#include <string>

namespace kestrel {

// The copy command: the selected polygons go to the clipboard.
void CopyPolygons();

// The cut command: copies the selected polygons, then deletes them (undoable).
void CutPolygons();

// The paste command: the clipboard text becomes new, selected polygons
// (undoable in one step).
void PastePolygons();

// The text that copy puts on the clipboard for the selected polygons, and
// the number of polygons written into it.
long FormatSelectedPolygons(std::string& text);

}  // namespace kestrel
