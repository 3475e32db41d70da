// The reference system of the polygons in the store, as WKT text. Empty when
// the polygons came without one. A polygon file carries it beside itself as
// a .prj file of the same name.
#pragma once

#include <string>

namespace kestrel {

extern std::string referenceSystem;

// "river.p2d" gives "river.prj", unless a shapefile "river.shp" lies beside
// it, whose own .prj must not be overwritten: then "river.p2d.prj".
std::string ReferenceFileName(const std::string& polygonFile);

// Reads the .prj beside `polygonFile` into referenceSystem (emptied when there
// is none).
void LoadReferenceSystem(const std::string& polygonFile);

// Writes referenceSystem beside `polygonFile` when there is one. Returns
// false when that file could not be written.
bool SaveReferenceSystem(const std::string& polygonFile);

}  // namespace kestrel
