// Reading the input file by its kind: a DXF drawing, a GIS layer or a
// polygon file.
#pragma once

#include <string>

namespace kestrel {

// True when the last four characters of `name` are ".dxf" in any letter case.
bool IsDxfName(const char* name);

// Reads fileName with ReadDxfFile when IsDxfName says so, with ReadGisLayer
// for the GIS layer endings, otherwise with ReadPolygonFile, and returns what
// the reader returns: the number of polygons added, or -1 when the file could
// not be opened. The store's reference system is that of the file read (none
// until a reader finds one), and the file is remembered as the input file.
long ReadInputFile();

// The file the polygons were last read from by ReadInputFile (its absolute
// name); empty before.
extern std::string inputFileName;

// Whether `name` is that file (the same file under any name).
bool IsInputFile(const char* name);

}  // namespace kestrel
