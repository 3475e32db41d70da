#include "formats/dxf.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/report.h"
#include "formats/cnumbers.h"
#include "formats/textcheck.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

namespace {

// Lines are examined through a buffer of this many bytes (255 characters).
constexpr std::size_t kLineBuffer = 256;

// The start of a drawing saved in the binary form of the format.
constexpr const char* kBinarySentinel = "AutoCAD Binary DXF";

// The fewest bytes one LWPOLYLINE vertex can take in a file: "10\nX\n20\nY\n".
constexpr long kMinVertexBytes = 10;

// An extrusion direction shorter than this (2^-23) is no direction.
constexpr double kShortestDirection = 1.1920928955078125e-07;

// Everything the reader keeps while it walks through one drawing.
struct DxfReader {
  FILE* file = nullptr;
  long length = 0;  // bytes; 0 when unknown
  long lines = 0;   // lines read so far, in whole pairs
  long code = 0;    // group code of the current pair
  char value[kLineBuffer] = {};
  bool pushedBack = false;  // the current pair is to be examined again
  long longLines = 0;       // lines longer than the buffer
  long firstLongLine = 0;
  PolygonPoint* points = nullptr;  // scratch buffer shared by every entity
  long capacity = 0;
  double normal[3] = {0, 0, 1};  // extrusion direction of the current entity
};

// Reads one line into `buffer`, without its line feed. A line longer than the
// buffer is read to its end all the same, so that the code and value lines
// stay paired; only its first 255 characters are kept and `cut` is set.
// Returns false when the file holds no further line.
bool ReadLine(FILE* file, char* buffer, bool& cut) {
  std::size_t n = 0;
  bool any = false;
  int c;
  cut = false;
  while ((c = getc_unlocked(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (n + 1 < kLineBuffer) {
      buffer[n++] = static_cast<char>(c);
    } else if (c != '\r') {
      cut = true;
    }
  }
  buffer[n] = '\0';
  return any;
}

// Reads the next pair (or takes back the pushed-back one). Returns 0 on
// success, 1 when the code line could not be read, 2 when the value line
// could not be read.
int ReadPair(DxfReader& r) {
  if (r.pushedBack) {
    r.pushedBack = false;
    return 0;
  }
  char codeLine[kLineBuffer];
  bool cut = false;
  for (int k = 0; k < 2; ++k) {
    char* buffer = k == 0 ? codeLine : r.value;
    if (!ReadLine(r.file, buffer, cut)) return k + 1;
    if (cut && r.longLines++ == 0) r.firstLongLine = r.lines + k + 1;
  }
  r.lines += 2;
  r.code = std::strtol(codeLine, nullptr, 10);
  return 0;
}

// Keywords are compared over their own length only, so that line ends and
// trailing characters do not matter.
bool Is(const DxfReader& r, const char* keyword) { return std::strncmp(r.value, keyword, std::strlen(keyword)) == 0; }

double Number(const DxfReader& r) { return ReadDouble(r.value, nullptr); }
long Integer(const DxfReader& r) { return std::strtol(r.value, nullptr, 10); }

// The most points one polygon can hold: its count is a 32-bit number, and a
// polygon closed by its flag gets its first point once more.
constexpr long kMaxEntityPoints = INT32_MAX - 1;

// An entity with more points than can be held ends the reading.
bool TooManyPoints(const DxfReader& r, int code, const char* entity) {
  Notify(code, "too many points in %s at line %li: more than can be held", entity, r.lines);
  return false;
}

// Makes room for `needed` points in the scratch buffer. False (the buffer as
// it was) when it cannot grow that far.
bool EnsureRoom(DxfReader& r, long needed) {
  if (needed <= r.capacity) return true;
  if (needed > kMaxEntityPoints) return false;
  long grown = needed + 100;
  if (grown < 2 * r.capacity) grown = 2 * r.capacity;  // long entities grow in few copies
  if (grown > kMaxEntityPoints) grown = kMaxEntityPoints;
  PolygonPoint* points =
      TryGrowArray<PolygonPoint>(r.points, static_cast<std::size_t>(r.capacity), static_cast<std::size_t>(grown));
  if (!points && grown > needed) {
    // Short of memory: take no more than is needed.
    grown = needed;
    points =
        TryGrowArray<PolygonPoint>(r.points, static_cast<std::size_t>(r.capacity), static_cast<std::size_t>(grown));
  }
  if (!points) return false;
  r.points = points;
  r.capacity = grown;
  return true;
}

// The most vertices the rest of the file can still hold. A declared count is
// only trusted this far when the buffer is sized ahead of the vertices.
long PlausibleVertices(const DxfReader& r) {
  if (r.length <= 0) return 65536;
  const long position = std::ftell(r.file);
  const long remaining = position >= 0 && position < r.length ? r.length - position : 0;
  return remaining / kMinVertexBytes + 1;
}

void ReadExtrusion(DxfReader& r) {
  r.normal[r.code / 10 - 21] = Number(r);  // 210, 220, 230
}

bool IsExtrusion(long code) { return code == 210 || code == 220 || code == 230; }

// A parser message: shown with its code; the reading then ends.
bool Fail(const DxfReader& r, int code, const char* format) {
  Notify(code, format, r.lines);
  return false;
}

bool UnexpectedEnd(const DxfReader& r, int failure, int codeLineCode, int valueLineCode) {
  if (failure == 1) {
    Notify(codeLineCode, "unexpected end of file at line %li", r.lines);
  } else {
    Notify(valueLineCode, "unexpected end of file at line %li", r.lines + 1);
  }
  return false;
}

// Moves the first n points of the buffer from the entity's own coordinate
// system to world coordinates by the arbitrary-axis rule of the format.
void ToWorld(DxfReader& r, long n) {
  double* nv = r.normal;
  if (!(std::fabs(nv[0]) > 0.01 || std::fabs(nv[1]) > 0.01 || std::fabs(nv[2] - 1) > 0.01)) return;
  const double length = std::hypot(nv[0], nv[1], nv[2]);
  if (!(length > kShortestDirection) || !std::isfinite(length)) {
    nv[0] = 0;
    nv[1] = 0;
    nv[2] = 1;
    return;
  }
  const double nx = nv[0] / length, ny = nv[1] / length, nz = nv[2] / length;
  double ax, ay, az;
  if (std::fabs(nx) < 1.0 / 64 && std::fabs(ny) < 1.0 / 64) {
    ax = nz, ay = 0, az = -nx;
  } else {
    ax = -ny, ay = nx, az = 0;
  }
  const double a = std::hypot(ax, ay, az);
  ax /= a, ay /= a, az /= a;
  const double bx = ny * az - nz * ay, by = nz * ax - nx * az, bz = nx * ay - ny * ax;
  for (long k = 0; k < n; ++k) {
    PolygonPoint& p = r.points[k];
    const PolygonPoint q = p;
    p.x = q.x * ax + q.y * bx + q.z * nx;
    p.y = q.x * ay + q.y * by + q.z * ny;
    p.z = q.x * az + q.y * bz + q.z * nz;
  }
}

// Stores the first n points of the buffer as a new polygon. A polygon closed
// by its flag alone gets its first point again as its last, as every closed
// polygon of the store carries it.
bool StorePolygon(DxfReader& r, long n, bool closedFlag, int storeCode, int pointsCode, const char* entity) {
  ToWorld(r, n);
  for (long k = 0; k < n; ++k) {
    const PolygonPoint& p = r.points[k];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      Notify(3201, "coordinate that is not a finite number in %s at line %li", entity, r.lines);
      return false;
    }
  }
  const PolygonPoint& first = r.points[0];
  const PolygonPoint& last = r.points[n - 1];
  const bool repeats = n > 1 && std::hypot(last.x - first.x, last.y - first.y) < kCoincident;
  const bool closed = (n > 3 && repeats) || (closedFlag && n > 2);
  const long stored = closed && !repeats ? n + 1 : n;
  PolygonPoint* points = stored <= INT32_MAX ? TryAllocArray<PolygonPoint>(static_cast<std::size_t>(stored)) : nullptr;
  if (!points) return TooManyPoints(r, pointsCode, entity);
  std::memcpy(points, r.points, sizeof(PolygonPoint) * static_cast<std::size_t>(n));
  if (stored > n) points[n] = points[0];

  const int32_t index = store.polygonCount;
  Polygon& p = PrepareNewPolygon(storeCode);
  p.points = points;
  p.closed = closed ? 1 : 0;
  p.color = index % 12;
  p.count = static_cast<int32_t>(stored);
  std::snprintf(p.name, sizeof p.name, "P%i", index + 1);
  ++store.polygonCount;
  return true;
}

void ResetEntity(DxfReader& r) {
  r.normal[0] = 0;
  r.normal[1] = 0;
  r.normal[2] = 1;
}

bool ParseLwPolyline(DxfReader& r) {
  long count = 0, xCount = 0, yCount = 0;
  double elevation = 0;
  bool closed = false;
  ResetEntity(r);
  for (;;) {
    if (const int failure = ReadPair(r)) return UnexpectedEnd(r, failure, 2956, 2961);
    if (r.code == 0) break;
    switch (r.code) {
      case 90:
        count = Integer(r);
        if (count < 2) return Fail(r, 3011, "less than 2 points in LWPOLYLINE at line %li");
        // The count comes from the file: size the buffer only as far as the
        // rest of the file could really hold vertices; it grows past that
        // as further vertices arrive.
        {
          const long plausible = PlausibleVertices(r);
          if (!EnsureRoom(r, count < plausible ? count : plausible)) return TooManyPoints(r, 3017, "LWPOLYLINE");
        }
        break;
      case 10:
        if (count < 1) {
          return Fail(r, 2975, "code 90 (number of points) must preceed code 10 (X value) in LWPOLYLINE at line %li");
        }
        if (xCount >= count) return Fail(r, 2980, "more than the specified number of points in LWPOLYLINE at line %li");
        if (!EnsureRoom(r, xCount + 1)) return TooManyPoints(r, 3017, "LWPOLYLINE");
        r.points[xCount++].x = Number(r);
        break;
      case 20:
        if (count < 1) {
          return Fail(r, 2989, "code 90 (number of points) must preceed code 20 (Y value) in LWPOLYLINE at line %li");
        }
        if (yCount != xCount - 1) return Fail(r, 2994, "mismatched set of Xs and Ys in LWPOLYLINE at line %li");
        r.points[yCount++].y = Number(r);
        break;
      case 38:
        elevation = Number(r);
        break;
      case 70:
        closed = (Integer(r) & 1) != 0;
        break;
      default:
        if (IsExtrusion(r.code)) ReadExtrusion(r);
    }
  }
  r.pushedBack = true;
  if (count < 1) return Fail(r, 3029, "code 90 (number of points) not found in LWPOLYLINE at line %li");
  if (yCount != xCount) return Fail(r, 3034, "mismatched set of Xs and Ys in LWPOLYLINE at line %li");
  if (xCount < count) return Fail(r, 3039, "less than the specified number of points in LWPOLYLINE at line %li");
  for (long k = 0; k < count; ++k) r.points[k].z = elevation;
  return StorePolygon(r, count, closed, 3050, 3055, "LWPOLYLINE");
}

bool ParsePolyline(DxfReader& r) {
  long n = 0;  // vertices so far; the current slot is n - 1 (0 before the first)
  bool closed = false;
  ResetEntity(r);
  r.points[0] = PolygonPoint{0, 0, 0};
  for (;;) {
    if (const int failure = ReadPair(r)) return UnexpectedEnd(r, failure, 3078, 3083);
    const long slot = n > 0 ? n - 1 : 0;
    switch (r.code) {
      case 0:
        if (Is(r, "VERTEX")) {
          if (!EnsureRoom(r, n + 1)) return TooManyPoints(r, 3112, "POLYLINE");
          ++n;
          // A vertex without one of its coordinates has 0 there.
          r.points[n - 1] = PolygonPoint{0, 0, 0};
        } else if (Is(r, "SEQEND")) {
          // A polyline without vertices has nothing to store.
          return n > 0 ? StorePolygon(r, n, closed, 3127, 3129, "POLYLINE") : true;
        }
        break;
      case 10:
        r.points[slot].x = Number(r);
        break;
      case 20:
        r.points[slot].y = Number(r);
        break;
      case 30:
        r.points[slot].z = Number(r);
        break;
      case 70:
        // Only the polyline's own flags say whether it is closed; bit 0 of a
        // vertex's flags marks a vertex added by curve fitting.
        if (n == 0) closed = (Integer(r) & 1) != 0;
        break;
      default:
        if (IsExtrusion(r.code)) ReadExtrusion(r);
    }
  }
}

bool ParseLine(DxfReader& r) {
  ResetEntity(r);
  r.points[0] = PolygonPoint{0, 0, 0};
  r.points[1] = PolygonPoint{0, 0, 0};
  for (;;) {
    if (const int failure = ReadPair(r)) return UnexpectedEnd(r, failure, 3151, 3156);
    if (r.code == 0) break;
    switch (r.code) {
      case 10:
      case 11:
        r.points[r.code - 10].x = Number(r);
        break;
      case 20:
      case 21:
        r.points[r.code - 20].y = Number(r);
        break;
      case 30:
      case 31:
        r.points[r.code - 30].z = Number(r);
        break;
      default:
        if (IsExtrusion(r.code)) ReadExtrusion(r);
    }
  }
  r.pushedBack = true;
  return StorePolygon(r, 2, false, 3193, 3195, "LINE");
}

}  // namespace

long ReadDxfFile() {
  ShowStatusF(true, "reading %s", fileName);
  cornerMarks = 0;
  FILE* file = std::fopen(fileName, "r");
  if (!file) {
    Notify(2911, "can't open input file %s", fileName);
    return -1;
  }
  const long added = ReadDxfStream(file);
  std::fclose(file);
  return added;
}

long ReadDxfStream(FILE* file) {
  std::string probe, why;
  if (!ProbeTextFile(file, probe, why)) {
    // Drawings can also be saved in the binary form of the format, which
    // starts with its own sentinel; say so, since the fix is to save as text.
    if (probe.compare(0, std::strlen(kBinarySentinel), kBinarySentinel) == 0) {
      Notify(2913, "%s is a binary DXF drawing;\nonly drawings saved as DXF text (ASCII) can be read", fileName);
    } else {
      Notify(2912, "%s is not a text file (%s);\nnothing was read", fileName, why.c_str());
    }
    return 0;
  }
  DxfReader r;
  r.file = file;
  if (std::fseek(r.file, 0, SEEK_END) == 0) {
    const long length = std::ftell(r.file);
    if (length > 0) r.length = length;
  }
  std::rewind(r.file);
  const long step = r.length / 1000;

  if (store.polygonCapacity == 0) {
    store.polygons = AllocArray<Polygon>(2915, kStoreGrowth);
    store.polygonCapacity = kStoreGrowth;
  }
  r.capacity = 100;
  r.points = AllocArray<PolygonPoint>(2919, static_cast<std::size_t>(r.capacity));
  const int32_t startCount = store.polygonCount;

  long threshold = 0;
  bool inEntities = false;
  while (ReadPair(r) == 0) {
    if (r.length > 0 && r.lines >= threshold) {
      threshold += step;
      const double position = static_cast<double>(std::ftell(r.file));
      long percent = RoundHalfAway(position * 100.0 / static_cast<double>(r.length) + 0.5);
      if (percent > 100) percent = 100;  // the rounding runs one ahead near the end
      ShowStatusF(true, "%li%% reading %s", percent, fileName);
    }
    if (r.code == 0 && Is(r, "EOF")) break;
    if (r.code == 2 && Is(r, "ENTITIES")) {
      inEntities = true;
    } else if (inEntities && r.code == 0) {
      bool ok = true;
      if (Is(r, "LWPOLYLINE")) {
        ok = ParseLwPolyline(r);
      } else if (Is(r, "POLYLINE")) {
        ok = ParsePolyline(r);
      } else if (Is(r, "LINE")) {
        ok = ParseLine(r);
      }
      if (!ok) break;
    }
  }
  FreeBlock(r.points);

  if (r.longLines > 0) {
    Notify(2968,
           "%li lines of %s are longer than 255 characters;\n"
           "only their first 255 characters were read (the first is line %li)",
           r.longLines, fileName, r.firstLongLine);
  }
  const long added = store.polygonCount - startCount;
  if (added == 0) {
    Notify(3219, "file does not contain any polygons");
  } else {
    ShowStatusF(true, "%li lines read, %li polygons found", r.lines, added);
  }
  return added;
}

}  // namespace kestrel
