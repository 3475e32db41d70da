// The polygon text file (*.p?d): the program's own document format.
//
//   POLY name            header: keyword by point count (POLY, LINE, POINT)
//   x y z [0x11 k]...    one line per point, optional corner marks
//   END
#pragma once

#include <cstdint>
#include <cstdio>

namespace kestrel {

// Reads fileName and appends its polygons to the store. Does not bound them.
// Returns the number of polygons added; -1 when the file could not be opened.
long ReadPolygonFile();

// The reading itself, from a stream the caller has opened at its start and
// closes afterwards; fileName names it in the messages. A stream that is not
// text (see textcheck.h) is reported and nothing is read from it.
long ReadPolygonStream(FILE* file);

// Writes the whole store to fileName and clears `modified`. The old file is
// replaced only once the new one is completely written. Returns false (with
// `modified` left as it was) when the file could not be written.
bool WritePolygonFile();

// Writes every polygon of the store to `out` in the file format, counting the
// lines written. Returns false on the first failed write.
bool WritePolygonStream(FILE* out, long& lines, bool withMarks, bool showProgress);

// Parses one line of a polygon file as a point line: at least two numbers at
// its start, separated by blanks, commas or tabs. Returns how many numbers
// were read (0, 1, 2 or 3); x and y are set from 2 on, z only at 3.
int ParsePointLine(const char* line, double& x, double& y, double& z);

// The name of a header line: the second token, at most 31 characters.
// Returns false when the line has no second token.
bool ParseHeaderName(const char* line, char name[32]);

// The corner mark of a point line: 1..4, or 0 when it carries none. Only the
// first of the four marks searched for counts.
int FindCornerMark(const char* line);

}  // namespace kestrel
