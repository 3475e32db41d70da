#include "formats/polyfile.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/report.h"
#include "formats/cnumbers.h"
#include "formats/georef.h"
#include "formats/outfile.h"
#include "formats/textcheck.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

int ParsePointLine(const char* line, double& x, double& y, double& z) {
  double a = 0, b = 0, c = 0;
  const int n = ScanC(line, "%lf%*[ ,\t]%lf%*[ ,\t]%lf", &a, &b, &c);
  if (n >= 2) {
    x = a;
    y = b;
  }
  if (n == 3) z = c;
  return n < 0 ? 0 : n;
}

bool ParseHeaderName(const char* line, char name[32]) {
  char token[32] = {};
  if (ScanC(line, "%*s%*[ ,\t]%31s", token) != 1) return false;
  std::memcpy(name, token, sizeof token);
  return true;
}

int FindCornerMark(const char* line) {
  static const char* const marks[4] = {
      "\x11"
      "1",
      "\x11"
      "2",
      "\x11"
      "3",
      "\x11"
      "4"};
  for (int k = 0; k < 4; ++k) {
    if (std::strstr(line, marks[k])) return k + 1;
  }
  return 0;
}

namespace {

// The polygon being read: its points in a growable buffer.
struct PendingPolygon {
  PolygonPoint* points = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t corners[4] = {0, 0, 0, 0};
  char name[32] = {};
};

constexpr int32_t kPointGrowth = 1000;

// Makes room for one more point. False when the buffer cannot grow: memory is
// short, or the polygon would pass the largest count a polygon can hold.
bool GrowPending(PendingPolygon& pending) {
  if (pending.capacity > INT32_MAX - kPointGrowth) return false;
  const int32_t grown = pending.capacity + kPointGrowth;
  PolygonPoint* points =
      TryGrowArray<PolygonPoint>(pending.points, static_cast<size_t>(pending.capacity), static_cast<size_t>(grown));
  if (!points) return false;
  pending.points = points;
  pending.capacity = grown;
  return true;
}

// A polygon too large to hold ends the reading: what the file holds from
// there on would be read without it and is left out as well.
void RefuseLargePolygon(int code, const PendingPolygon& pending, long lineNumber) {
  Notify(code,
         "polygon %s of %s has more points than can be held (%li by line %li);\n"
         "the reading stopped there and left out this polygon and the rest of the file",
         pending.name, fileName, static_cast<long>(pending.count), lineNumber);
}

// Stores the pending polygon. False (nothing stored) when its point array
// cannot be allocated.
bool FinishPolygon(PendingPolygon& pending, int storeCode) {
  const int32_t n = pending.count;
  PolygonPoint* points = TryAllocArray<PolygonPoint>(static_cast<size_t>(n));
  if (!points) return false;
  std::memcpy(points, pending.points, sizeof(PolygonPoint) * static_cast<size_t>(n));
  Polygon& p = PrepareNewPolygon(storeCode);
  const PolygonPoint& first = points[0];
  const PolygonPoint& last = points[n - 1];
  p.closed = (n > 3 && std::hypot(last.x - first.x, last.y - first.y) < kCoincident) ? 1 : 0;
  p.selection = 0;
  p.points = points;
  p.color = store.polygonCount % 12;
  p.count = n;
  std::memcpy(p.name, pending.name, sizeof p.name);
  std::memcpy(p.corners, pending.corners, sizeof p.corners);
  ++store.polygonCount;
  return true;
}

// Blank: white space only, or the end mark (0x1A) of old DOS text files.
bool IsBlankLine(const char* line) {
  while (std::isspace(static_cast<unsigned char>(*line)) || *line == '\x1a') ++line;
  return *line == '\0';
}

// True for the END line that closes a polygon in files this program writes.
bool IsEndLine(const char* line) {
  while (*line == ' ' || *line == '\t') ++line;
  return strncasecmp(line, "END", 3) == 0 && (line[3] == '\0' || std::isspace(static_cast<unsigned char>(line[3])));
}

}  // namespace

long ReadPolygonFile() {
  ShowStatusF(true, "reading %s", fileName);
  cornerMarks = 0;
  FILE* file = std::fopen(fileName, "r");
  if (!file) {
    Notify(2705, "can't open input file %s", fileName);
    return -1;
  }
  const long added = ReadPolygonStream(file);
  std::fclose(file);
  // The reference system travels beside the file.
  LoadReferenceSystem(fileName);
  return added;
}

long ReadPolygonStream(FILE* file) {
  std::string probe, why;
  if (!ProbeTextFile(file, probe, why)) {
    Notify(2707, "%s is not a text file (%s);\nnothing was read", fileName, why.c_str());
    return 0;
  }
  long length = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  std::rewind(file);

  if (store.polygonCapacity == 0) {
    store.polygons = AllocArray<Polygon>(2713, kStoreGrowth);
    store.polygonCapacity = kStoreGrowth;
  }
  PendingPolygon pending;
  pending.capacity = kPointGrowth;
  pending.points = AllocArray<PolygonPoint>(2716, static_cast<size_t>(pending.capacity));
  std::strcpy(pending.name, "P0");
  const int32_t startCount = store.polygonCount;

  char line[256];
  long lineNumber = 0;
  long lastPercent = 0;
  double lastZ = 0;
  long nonFinite = 0;
  long firstNonFinite = 0;
  bool sawEnd = false;   // the file closes its polygons with END lines
  bool lastEnd = false;  // its last line that is not blank is one of them
  bool refused = false;  // a polygon too large to hold ended the reading
  while (std::fgets(line, sizeof line, file)) {
    ++lineNumber;
    if (lineNumber % 1000 == 0 && length > 0) {
      const long percent = RoundHalfAway(static_cast<double>(std::ftell(file)) * 100.0 / static_cast<double>(length));
      if (percent >= lastPercent) {
        ShowStatusF(true, "%li%% reading %s", percent, fileName);
        lastPercent = percent;
      }
    }
    if (!IsBlankLine(line)) lastEnd = IsEndLine(line);
    sawEnd = sawEnd || lastEnd;
    double x = 0, y = 0, z = lastZ;
    const int numbers = ParsePointLine(line, x, y, z);
    if (numbers >= 2) {
      // A coordinate that is not a finite number would poison the extents and
      // every later step: such a line never reaches the store.
      if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        if (nonFinite++ == 0) firstNonFinite = lineNumber;
        continue;
      }
      lastZ = z;
      bool keep = pending.count == 0;
      if (!keep) {
        const PolygonPoint& prev = pending.points[pending.count - 1];
        keep = !(std::fabs(x - prev.x) + std::fabs(y - prev.y) < kCoincident);
      }
      if (!keep) continue;
      if (pending.count == pending.capacity && !GrowPending(pending)) {
        RefuseLargePolygon(2740, pending, lineNumber);
        refused = true;
        break;
      }
      pending.points[pending.count++] = PolygonPoint{x, y, z};
      const int corner = FindCornerMark(line);
      if (corner) {
        pending.corners[corner - 1] = pending.count;
        cornerMarks = 1;
      }
    } else {
      if (pending.count > 0) {
        if (!FinishPolygon(pending, 2774)) {
          RefuseLargePolygon(2779, pending, lineNumber);
          refused = true;
          break;
        }
        pending.count = 0;
        std::memset(pending.corners, 0, sizeof pending.corners);
      }
      std::memset(pending.name, 0, sizeof pending.name);
      std::snprintf(pending.name, sizeof pending.name, "P%li", static_cast<long>(store.polygonCount) + 1);
      ParseHeaderName(line, pending.name);
    }
  }
  // A file whose polygons end with END lines but which does not end with one
  // was probably cut short (a copy or a save that did not finish).
  const bool cutShort = sawEnd && !lastEnd;
  if (!refused && pending.count > 0 && !FinishPolygon(pending, 2799)) {
    RefuseLargePolygon(2804, pending, lineNumber);
    refused = true;
  }
  FreeBlock(pending.points);

  const long added = store.polygonCount - startCount;
  if (refused) {
    ShowStatusF(true, "%li lines read, %li polygons found", lineNumber, added);
    return added;
  }
  if (nonFinite > 0) {
    Notify(2821,
           "%li point lines of %s hold values that are not finite numbers\n"
           "and were left out (the first is line %li)",
           nonFinite, fileName, firstNonFinite);
  }
  if (cutShort) {
    Notify(2817,
           "%s does not end with the END line that closes its other polygons:\n"
           "the file may have been cut short (it was read as far as it goes)",
           fileName);
  }
  if (added == 0) {
    Notify(2815, "file does not contain any polygons");
  } else {
    ShowStatusF(true, "%li lines read, %li polygons found", lineNumber, added);
  }
  return added;
}

namespace {

const char* Keyword(int32_t count) {
  if (count >= 3) return "POLY";
  if (count == 2) return "LINE";
  return "POINT";
}

}  // namespace

bool WritePolygonStream(FILE* out, long& lines, bool withMarks, bool showProgress) {
  long lastPercent = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (showProgress && i % 100 == 0) {
      const long percent = RoundHalfAway(static_cast<double>(i) * 100.0 / store.polygonCount);
      if (percent >= lastPercent + 3) {
        ShowStatusF(true, "%li%% writing %s", percent, fileName);
        lastPercent = percent;
      }
    }
    const Polygon& p = PolygonAt(i);
    if (p.count < 1) continue;
    // A name is one token in the file: blanks (which a rename can bring in)
    // travel as underscores, which the grid settings read as blanks.
    char name[sizeof p.name];
    std::memcpy(name, p.name, sizeof name);
    name[sizeof name - 1] = '\0';
    for (char* c = name; *c; ++c) {
      if (std::isspace(static_cast<unsigned char>(*c))) *c = '_';
    }
    if (std::fprintf(out, "%s %s\n", Keyword(p.count), name) < 0) return false;
    for (int32_t k = 0; k < p.count; ++k) {
      const PolygonPoint& q = p.points[k];
      if (PrintC(out, "%0.9G %0.9G %0.9G", q.x, q.y, q.z) < 0) return false;
      if (withMarks) {
        for (int c = 0; c < 4; ++c) {
          if (p.corners[c] == k + 1 && std::fprintf(out, " \x11%i", c + 1) < 0) return false;
        }
      }
      if (std::fputc('\n', out) == EOF) return false;
    }
    if (std::fputs("END\n", out) == EOF) return false;
    lines += p.count + 2;
  }
  return true;
}

bool WritePolygonFile() {
  if (store.polygonCount < 1) Abort(3910, "there are no polygons to save");
  ShowStatusF(true, "writing %s", fileName);

  // Write beside the old file and replace it only when everything has been
  // written, so that a full disk or a failing device never costs the old file.
  OutputFile out(fileName);
  long lines = 0;
  if (out.stream() && !WritePolygonStream(out.stream(), lines, cornerMarks == 1, true)) out.Fail();
  if (!out.Commit()) {
    Notify(3916, "can't create output file %s", fileName);
    return false;
  }
  std::string note, failed;
  if (!SaveReferenceSystem(fileName, note, failed)) Notify(3918, "can't create output file %s", failed.c_str());
  ShowStatusF(true, "%li lines written, %li polygons saved%s", lines, static_cast<long>(store.polygonCount),
              note.c_str());
  modified = 0;
  return true;
}

}  // namespace kestrel
