// Reading the input file by its kind: a DXF drawing, a GIS layer or a
// polygon file.
#pragma once

namespace kestrel {

// True when the last four characters of `name` are ".dxf" in any letter case.
bool IsDxfName(const char* name);

// Reads fileName with ReadDxfFile when IsDxfName says so, with ReadGisLayer
// for the GIS layer endings, otherwise with ReadPolygonFile, and returns what the reader returns: the number of
// polygons added, or -1 when the file could not be opened.
long ReadInputFile();

}  // namespace kestrel
