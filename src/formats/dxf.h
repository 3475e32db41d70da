// DXF drawings: the LWPOLYLINE, POLYLINE (VERTEX .. SEQEND) and LINE entities
// of the ENTITIES section become polygons named "P<n>".
//
// A drawing is a sequence of pairs of lines: a group code and its value.
#pragma once

#include <cstdio>

namespace kestrel {

// Reads the drawing named by fileName and appends its polygons to the store.
// Does not bound them. Returns the number of polygons added; -1 when the file
// could not be opened. Problems in the drawing are reported through Notify and
// end the reading; the polygons stored until then stay.
long ReadDxfFile();

// The reading itself, from a stream the caller has opened at its start and
// closes afterwards; fileName names it in the messages. A stream that is not
// text (see textcheck.h) is reported and nothing is read from it.
long ReadDxfStream(FILE* file);

}  // namespace kestrel
