// The reference system of the polygons in the store, as WKT text. Empty when
// the polygons came without one. A polygon file carries it beside itself as
// a .prj file: "river.p2d" has "river.prj", or "river.p2d.prj" when
// "river.prj" belongs to something else (a shapefile "river.shp" of the same
// name, or a raster's reference file that Kestrel did not write).
#pragma once

#include <string>

namespace kestrel {

extern std::string referenceSystem;

// Where the reference system of `polygonFile` is read from: "river.p2d.prj"
// when it exists, else "river.prj" unless a shapefile "river.shp" owns it.
std::string ReferenceFileName(const std::string& polygonFile);

// Reads the .prj of `polygonFile` (or of a drawing) into referenceSystem
// (emptied when there is none).
void LoadReferenceSystem(const std::string& polygonFile);

// Writes referenceSystem beside `polygonFile`. "river.prj" is written when
// there is none yet or it holds what Kestrel wrote; otherwise it is kept and
// the system goes to "river.p2d.prj". Without a reference system, the files
// Kestrel wrote for an earlier one are removed, so that they are not read
// back with these polygons. `note` receives a few words for the status line
// when a file was kept or removed. Returns false when a file could not be
// written (`failed` names it).
bool SaveReferenceSystem(const std::string& polygonFile, std::string& note, std::string& failed);

// Whether the text of a .prj file is what Kestrel writes: a reference system
// in the form the program gives it, ending in one line end.
bool IsKestrelReferenceText(const std::string& text);

}  // namespace kestrel
