#include "formats/dxf.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/report.h"
#include "formats/cnumbers.h"
#include "formats/dxfgeometry.h"
#include "formats/georef.h"
#include "formats/layers.h"
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

// Arcs are followed by chords that leave them by at most this share of the
// drawing's diagonal.
constexpr double kArcShare = 1.0 / 2000;

// Blocks placed inside blocks are followed no deeper than this, and all the
// copies of blocks together place no more outlines than this.
constexpr int kDeepestBlock = 16;
constexpr long kMostPlacedOutlines = 1000000;

// An outline read from the drawing, kept until the whole drawing has been
// read: its vertices, and per vertex the bulge of the segment to the next one
// (the tangent of a quarter of the arc's included angle, positive for a
// counter-clockwise arc, 0 for a straight segment).
struct Outline {
  PolygonPoint* points = nullptr;
  double* bulges = nullptr;  // null when every segment is straight
  int32_t count = 0;
  bool closed = false;  // by the entity's flag, or by its nature (circles, hatch boundaries)
  bool world = false;   // the points are world coordinates, not in the entity's own system
  bool land = false;    // a hole of a hatch
  double normal[3] = {0, 0, 1};
  int32_t layer = 0;
  long line = 0;  // where the entity ended, for messages
  const char* entity = "";
  int storeCode = 0, pointsCode = 0;
};

// A block reference (INSERT): the block's contents, scaled, turned, moved,
// and repeated in columns and rows.
struct Insert {
  std::string block;
  int32_t layer = 0;
  double point[3] = {0, 0, 0};
  double scale[3] = {1, 1, 1};
  double rotation = 0;  // degrees
  double normal[3] = {0, 0, 1};
  long columns = 1, rows = 1;
  double columnSpacing = 0, rowSpacing = 0;
};

// The entities of the ENTITIES section or of one block, in drawing order.
struct Container {
  std::vector<Outline> outlines;
  std::vector<Insert> inserts;
  std::vector<std::pair<bool, std::size_t>> order;  // (outline?, index)
  std::map<std::string, long> skipped;              // entities not read, by kind
};

struct Block {
  std::string name;
  double base[3] = {0, 0, 0};
  Container content;
  int problemCode = 0;  // the first problem met in its entities
  std::string problem;
};

// Everything the reader keeps while it walks through one drawing.
struct DxfReader {
  FILE* file = nullptr;
  long length = 0;  // bytes; 0 when unknown
  long lines = 0;   // lines read so far, in whole pairs
  long code = 0;    // group code of the current pair
  char value[kLineBuffer] = {};
  bool pushedBack = false;  // the current pair is to be examined again
  bool ended = false;       // the file ended inside an entity
  long longLines = 0;       // lines longer than the buffer
  long firstLongLine = 0;
  PolygonPoint* points = nullptr;  // scratch buffer shared by every entity
  long capacity = 0;
  double* bulges = nullptr;  // scratch bulges, as long as points once used
  long bulgeCapacity = 0;
  bool anyBulge = false;                      // the current entity has a bulge
  double normal[3] = {0, 0, 1};               // extrusion direction of the current entity
  int32_t layer = 0;                          // layer of the current entity
  std::map<std::string, int32_t> layerIndex;  // upper-cased name to index
  std::vector<std::string> layers;            // names in the order of first use
  Container entities;
  std::deque<Block> blocks;
  Container* target = nullptr;    // where entities go: ENTITIES, a block, or nowhere
  Block* block = nullptr;         // the block being read
  std::vector<PolygonPoint> arc;  // the inner points of one arc being placed

  ~DxfReader() {
    FreeBlock(points);
    FreeBlock(bulges);
    auto release = [](Container& c) {
      for (Outline& o : c.outlines) {
        FreeBlock(o.points);
        FreeBlock(o.bulges);
      }
    };
    release(entities);
    for (Block& b : blocks) release(b.content);
  }
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

// The value line as a name: without the blanks and line ends after it.
std::string NameValue(const DxfReader& r) {
  std::string name = r.value;
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t')) name.pop_back();
  return name;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The index of a layer by its name, in any letter case; new names are added.
int32_t LayerIndex(DxfReader& r, const std::string& name) {
  const std::string key = UpperCase(name);
  const auto found = r.layerIndex.find(key);
  if (found != r.layerIndex.end()) return found->second;
  const int32_t index = static_cast<int32_t>(r.layers.size());
  r.layers.push_back(name);
  r.layerIndex.emplace(key, index);
  return index;
}

// The most points one polygon can hold: its count is a 32-bit number, and a
// polygon closed by its flag gets its first point once more.
constexpr long kMaxEntityPoints = INT32_MAX - 1;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// A problem in an entity. In the ENTITIES section it is shown and the reading
// ends. In a block it is kept with the block and shown when the block is
// placed, and the reading goes on: a block that is never placed is no part
// of the drawing.
bool Report(DxfReader& r, int code, const std::string& text) {
  if (r.block) {
    if (r.block->problemCode == 0) {
      r.block->problemCode = code;
      r.block->problem = text;
    }
    return false;
  }
  Notify(code, "%s", text.c_str());
  return false;
}

// An entity with more points than can be held ends the reading.
bool TooManyPoints(DxfReader& r, int code, const char* entity) {
  return Report(r, code, Format("too many points in %s at line %li: more than can be held", entity, r.lines));
}

// Makes room for `needed` points in the scratch buffer (and its bulges, once
// the entity has any). False (the buffer as it was) when it cannot grow.
bool EnsureRoom(DxfReader& r, long needed) {
  if (needed <= r.capacity && (!r.anyBulge || needed <= r.bulgeCapacity)) return true;
  if (needed > kMaxEntityPoints) return false;
  if (needed > r.capacity) {
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
  }
  if (r.anyBulge && r.bulgeCapacity < r.capacity) {
    double* bulges =
        TryGrowArray<double>(r.bulges, static_cast<std::size_t>(r.bulgeCapacity), static_cast<std::size_t>(r.capacity));
    if (!bulges) return false;
    r.bulges = bulges;
    r.bulgeCapacity = r.capacity;
  }
  return true;
}

// Sets the bulge of vertex `index` of the current entity.
bool SetBulge(DxfReader& r, long index, double bulge) {
  if (!r.anyBulge) {
    if (bulge == 0 || !std::isfinite(bulge)) return true;
    r.anyBulge = true;
    if (!EnsureRoom(r, r.capacity)) return false;
    std::fill(r.bulges, r.bulges + r.bulgeCapacity, 0.0);
  }
  if (index < 0 || index >= r.bulgeCapacity) return true;
  r.bulges[index] = std::isfinite(bulge) ? bulge : 0.0;
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

void ReadExtrusion(DxfReader& r, double normal[3]) {
  normal[r.code / 10 - 21] = Number(r);  // 210, 220, 230
}

bool IsExtrusion(long code) { return code == 210 || code == 220 || code == 230; }

// A parser message: shown with its code; the reading then ends.
bool Fail(DxfReader& r, int code, const char* format) { return Report(r, code, Format(format, r.lines)); }

bool UnexpectedEnd(DxfReader& r, int failure, int codeLineCode, int valueLineCode) {
  r.ended = true;
  if (failure == 1) {
    Notify(codeLineCode, "unexpected end of file at line %li", r.lines);
  } else {
    Notify(valueLineCode, "unexpected end of file at line %li", r.lines + 1);
  }
  return false;
}

// The start of every entity: its own system is the world's, its layer "0".
void BeginEntity(DxfReader& r) {
  r.normal[0] = 0;
  r.normal[1] = 0;
  r.normal[2] = 1;
  r.layer = LayerIndex(r, "0");
  r.anyBulge = false;
}

// Reads the pairs of the current entity up to the code-0 pair that starts
// the next one, which is pushed back: its layer (8) and extrusion direction
// (210, 220, 230) for every entity, every other pair through take(), which
// returns false to end the reading with its own message.
template <typename Take>
bool ReadEntity(DxfReader& r, int codeLineCode, int valueLineCode, Take take) {
  for (;;) {
    if (const int failure = ReadPair(r)) return UnexpectedEnd(r, failure, codeLineCode, valueLineCode);
    if (r.code == 0) break;
    if (r.code == 8) {
      r.layer = LayerIndex(r, NameValue(r));
    } else if (IsExtrusion(r.code)) {
      ReadExtrusion(r, r.normal);
    } else if (!take()) {
      return false;
    }
  }
  r.pushedBack = true;
  return true;
}

// Keeps the first n points of the buffer (with their bulges) as an outline
// of the current container.
bool AddOutline(DxfReader& r, long n, bool closed, bool world, int storeCode, int pointsCode, const char* entity,
                bool land = false) {
  for (long k = 0; k < n; ++k) {
    const PolygonPoint& p = r.points[k];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return Report(r, 3201, Format("coordinate that is not a finite number in %s at line %li", entity, r.lines));
    }
  }
  Outline o;
  o.count = static_cast<int32_t>(n);
  o.points = TryAllocArray<PolygonPoint>(static_cast<std::size_t>(n));
  if (!o.points) return TooManyPoints(r, pointsCode, entity);
  std::memcpy(o.points, r.points, sizeof(PolygonPoint) * static_cast<std::size_t>(n));
  if (r.anyBulge && !world) {
    o.bulges = TryAllocArray<double>(static_cast<std::size_t>(n));
    if (!o.bulges) {
      FreeBlock(o.points);
      return TooManyPoints(r, pointsCode, entity);
    }
    std::memcpy(o.bulges, r.bulges, sizeof(double) * static_cast<std::size_t>(n));
  }
  o.closed = closed;
  o.world = world;
  o.land = land;
  std::memcpy(o.normal, r.normal, sizeof o.normal);
  o.layer = r.layer;
  o.line = r.lines;
  o.entity = entity;
  o.storeCode = storeCode;
  o.pointsCode = pointsCode;
  r.target->order.emplace_back(true, r.target->outlines.size());
  r.target->outlines.push_back(o);
  return true;
}

// Points of a curve sampled elsewhere, into the buffer as an outline.
bool AddSampled(DxfReader& r, const std::vector<PolygonPoint>& points, bool closed, bool world, const char* entity,
                bool land = false) {
  if (points.size() < 2) return true;
  r.anyBulge = false;
  if (!EnsureRoom(r, static_cast<long>(points.size()))) return TooManyPoints(r, 3236, entity);
  std::copy(points.begin(), points.end(), r.points);
  return AddOutline(r, static_cast<long>(points.size()), closed, world, 3235, 3236, entity, land);
}

void Skip(DxfReader& r, const std::string& what) { ++r.target->skipped[what]; }

bool ParseLwPolyline(DxfReader& r) {
  long count = 0, xCount = 0, yCount = 0;
  double elevation = 0;
  bool closed = false;
  BeginEntity(r);
  const bool read = ReadEntity(r, 2956, 2961, [&] {
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
      case 42:
        // The bulge of the segment from the vertex just given to the next.
        if (xCount > 0 && !SetBulge(r, xCount - 1, Number(r))) return TooManyPoints(r, 3017, "LWPOLYLINE");
        break;
      case 70:
        closed = (Integer(r) & 1) != 0;
        break;
    }
    return true;
  });
  if (!read) return false;
  if (count < 1) return Fail(r, 3029, "code 90 (number of points) not found in LWPOLYLINE at line %li");
  if (yCount != xCount) return Fail(r, 3034, "mismatched set of Xs and Ys in LWPOLYLINE at line %li");
  if (xCount < count) return Fail(r, 3039, "less than the specified number of points in LWPOLYLINE at line %li");
  for (long k = 0; k < count; ++k) r.points[k].z = elevation;
  return AddOutline(r, count, closed, false, 3050, 3055, "LWPOLYLINE");
}

// POLYLINE flags: closed, spline-fit, 3D polyline, 3D polygon mesh, polyface
// mesh; VERTEX flag of a spline frame control point.
constexpr long kPolylineClosed = 1, kPolyline3d = 8, kPolygonMesh = 16, kPolyfaceMesh = 64;
constexpr long kFrameControlPoint = 16;

bool ParsePolyline(DxfReader& r) {
  long n = 0;  // vertices so far; the current slot is n - 1 (0 before the first)
  long flags = 0;
  bool frame = false;  // the current vertex is a spline's frame control point
  BeginEntity(r);
  r.points[0] = PolygonPoint{0, 0, 0};
  for (;;) {
    if (const int failure = ReadPair(r)) return UnexpectedEnd(r, failure, 3078, 3083);
    const long slot = n > 0 ? n - 1 : 0;
    switch (r.code) {
      case 0:
        if (Is(r, "VERTEX")) {
          // A frame control point only steers the fitted curve: its slot is
          // taken by the next vertex.
          if (frame) --n;
          frame = false;
          if (!EnsureRoom(r, n + 1)) return TooManyPoints(r, 3112, "POLYLINE");
          ++n;
          // A vertex without one of its coordinates has 0 there.
          r.points[n - 1] = PolygonPoint{0, 0, 0};
          if (r.anyBulge) r.bulges[n - 1] = 0;
        } else if (Is(r, "SEQEND")) {
          if (frame) --n;
          if (flags & (kPolygonMesh | kPolyfaceMesh)) {
            Skip(r, flags & kPolyfaceMesh ? "polyface mesh" : "polygon mesh");
            return true;
          }
          // A polyline without vertices has nothing to store.
          if (n == 0) return true;
          const bool world = (flags & kPolyline3d) != 0;
          if (world) r.anyBulge = false;
          return AddOutline(r, n, (flags & kPolylineClosed) != 0, world, 3127, 3129, "POLYLINE");
        }
        break;
      case 8:
        if (n == 0) r.layer = LayerIndex(r, NameValue(r));
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
      case 42:
        if (n > 0 && !SetBulge(r, slot, Number(r))) return TooManyPoints(r, 3112, "POLYLINE");
        break;
      case 70:
        // The polyline's own flags say whether it is closed; bit 0 of a
        // vertex's flags marks a vertex added by curve fitting.
        if (n == 0) {
          flags = Integer(r);
        } else {
          frame = (Integer(r) & kFrameControlPoint) != 0;
        }
        break;
      default:
        if (IsExtrusion(r.code)) ReadExtrusion(r, r.normal);
    }
  }
}

// A LINE's end points are world coordinates; its extrusion direction only
// says which way its thickness goes.
bool ParseLine(DxfReader& r) {
  BeginEntity(r);
  r.points[0] = PolygonPoint{0, 0, 0};
  r.points[1] = PolygonPoint{0, 0, 0};
  const bool read = ReadEntity(r, 3151, 3156, [&] {
    if (r.code >= 10 && r.code <= 31 && r.code % 10 <= 1) {
      PolygonPoint& p = r.points[r.code % 10];
      (r.code < 20 ? p.x : r.code < 30 ? p.y : p.z) = Number(r);
    }
    return true;
  });
  return read && AddOutline(r, 2, false, true, 3193, 3195, "LINE");
}

// CIRCLE and ARC: centre (in the entity's own system), radius, and for an
// arc the start and end angles in degrees, counter-clockwise.
bool ParseCircle(DxfReader& r, bool arc) {
  const char* entity = arc ? "ARC" : "CIRCLE";
  double centre[3] = {0, 0, 0}, radius = 0, start = 0, end = 360;
  BeginEntity(r);
  const bool read = ReadEntity(r, 3221, 3222, [&] {
    if (r.code == 10 || r.code == 20 || r.code == 30) centre[r.code / 10 - 1] = Number(r);
    if (r.code == 40) radius = Number(r);
    if (r.code == 50) start = Number(r);
    if (r.code == 51) end = Number(r);
    return true;
  });
  if (!read) return false;
  if (!(radius > 0) || !std::isfinite(radius) || !std::isfinite(start) || !std::isfinite(end)) {
    Skip(r, std::string(entity) + " without a radius");
    return true;
  }
  if (!EnsureRoom(r, 4)) return TooManyPoints(r, 3236, entity);
  const double degree = kPi / 180;
  double sweep = arc ? std::fmod(end - start, 360.0) : 360;
  if (sweep <= 0) sweep += 360;
  // Pieces of at most a half turn, each one bulge.
  const int pieces = sweep > 180 ? 2 : 1;
  const double piece = sweep / pieces * degree;
  long n = 0;
  for (int k = 0; k <= pieces; ++k) {
    if (!arc && k == pieces) break;  // a circle closes on its first point
    const double angle = start * degree + k * piece;
    r.points[n] = PolygonPoint{centre[0] + radius * std::cos(angle), centre[1] + radius * std::sin(angle), centre[2]};
    ++n;
  }
  for (long k = 0; k + (arc ? 1 : 0) < n; ++k) {
    if (!SetBulge(r, k, std::tan(piece / 4))) return TooManyPoints(r, 3236, entity);
  }
  return AddOutline(r, n, !arc, false, 3235, 3236, entity);
}

// ELLIPSE: centre and end of the major axis (relative to the centre) in
// world coordinates, the ratio of the minor axis to the major, and the start
// and end parameters in radians.
bool ParseEllipse(DxfReader& r) {
  EllipseArc e;
  double start = 0, end = 2 * kPi;
  BeginEntity(r);
  const bool read = ReadEntity(r, 3223, 3224, [&] {
    if (r.code == 10 || r.code == 20 || r.code == 30) e.centre[r.code / 10 - 1] = Number(r);
    if (r.code == 11 || r.code == 21 || r.code == 31) e.major[r.code / 10 - 1] = Number(r);
    if (r.code == 40) e.ratio = Number(r);
    if (r.code == 41) start = Number(r);
    if (r.code == 42) end = Number(r);
    return true;
  });
  if (!read) return false;
  std::memcpy(e.normal, r.normal, sizeof e.normal);
  e.start = start;
  e.sweep = std::fmod(end - start, 2 * kPi);
  if (e.sweep <= 1e-12) e.sweep += 2 * kPi;
  const bool whole = e.sweep > 2 * kPi - 1e-9;
  std::vector<PolygonPoint> points;
  if (!SampleEllipse(e, whole, points)) {
    Skip(r, "ELLIPSE without axes");
    return true;
  }
  r.normal[0] = 0, r.normal[1] = 0, r.normal[2] = 1;
  return AddSampled(r, points, whole, true, "ELLIPSE");
}

// SPLINE: degree, knots, control points (with weights) and fit points.
bool ParseSpline(DxfReader& r) {
  Spline s;
  long flags = 0;
  BeginEntity(r);
  const bool read = ReadEntity(r, 3225, 3226, [&] {
    switch (r.code) {
      case 70:
        flags = Integer(r);
        break;
      case 71:
        s.degree = static_cast<int>(std::clamp(Integer(r), 0L, 99L));
        break;
      case 40:
        s.knots.push_back(Number(r));
        break;
      case 41:
        s.weights.push_back(Number(r));
        break;
      case 10:
      case 11:
        (r.code == 10 ? s.control : s.fit).push_back(PolygonPoint{Number(r), 0, 0});
        break;
      case 20:
      case 21:
      case 30:
      case 31: {
        std::vector<PolygonPoint>& points = r.code % 10 == 0 ? s.control : s.fit;
        if (!points.empty()) (r.code < 30 ? points.back().y : points.back().z) = Number(r);
        break;
      }
    }
    return true;
  });
  if (!read) return false;
  std::vector<PolygonPoint> points;
  SampleSpline(s, points);
  if (points.size() < 2) {
    Skip(r, "SPLINE without points");
    return true;
  }
  return AddSampled(r, points, (flags & 3) != 0, true, "SPLINE");
}

// INSERT: a block placed in the drawing.
bool ParseInsert(DxfReader& r) {
  Insert insert;
  BeginEntity(r);
  const bool read = ReadEntity(r, 3227, 3228, [&] {
    switch (r.code) {
      case 2:
        insert.block = NameValue(r);
        break;
      case 10:
      case 20:
      case 30:
        insert.point[r.code / 10 - 1] = Number(r);
        break;
      case 41:
      case 42:
      case 43:
        insert.scale[r.code - 41] = Number(r);
        break;
      case 50:
        insert.rotation = Number(r);
        break;
      case 70:
        insert.columns = Integer(r);
        break;
      case 71:
        insert.rows = Integer(r);
        break;
      case 44:
        insert.columnSpacing = Number(r);
        break;
      case 45:
        insert.rowSpacing = Number(r);
        break;
    }
    return true;
  });
  if (!read) return false;
  std::memcpy(insert.normal, r.normal, sizeof insert.normal);
  insert.layer = r.layer;
  insert.columns = std::clamp(insert.columns, 1L, 10000L);
  insert.rows = std::clamp(insert.rows, 1L, 10000L);
  r.target->order.emplace_back(false, r.target->inserts.size());
  r.target->inserts.push_back(insert);
  return true;
}

// HATCH: its boundary paths are outlines; a path inside an odd number of the
// hatch's other paths is a hole, and a hole is land.
bool ParseHatch(DxfReader& r) {
  std::vector<std::pair<long, std::string>> pairs;
  BeginEntity(r);
  const bool read = ReadEntity(r, 3229, 3230, [&] {
    pairs.emplace_back(r.code, r.value);
    return true;
  });
  if (!read) return false;
  std::vector<HatchPath> paths;
  if (!ParseHatchPaths(pairs, paths)) {
    Skip(r, "HATCH with an unreadable boundary");
    return true;
  }
  for (std::size_t k = 0; k < paths.size(); ++k) {
    const HatchPath& path = paths[k];
    if (path.vertices.size() < 2) continue;
    r.anyBulge = false;
    if (!EnsureRoom(r, static_cast<long>(path.vertices.size()))) return TooManyPoints(r, 3236, "HATCH");
    for (std::size_t v = 0; v < path.vertices.size(); ++v) {
      r.points[v] = PolygonPoint{path.vertices[v].x, path.vertices[v].y, path.elevation};
      if (!SetBulge(r, static_cast<long>(v), path.vertices[v].bulge)) return TooManyPoints(r, 3236, "HATCH");
    }
    if (!AddOutline(r, static_cast<long>(path.vertices.size()), true, false, 3235, 3236, "HATCH",
                    IsHatchHole(paths, k))) {
      return false;
    }
  }
  return true;
}

// BLOCK: the header of a block definition; its entities follow up to ENDBLK.
void ParseBlockHeader(DxfReader& r) {
  Block& block = r.blocks.emplace_back();
  for (;;) {
    if (ReadPair(r)) return;
    if (r.code == 0) break;
    if (r.code == 2) block.name = NameValue(r);
    if (r.code == 10 || r.code == 20 || r.code == 30) block.base[r.code / 10 - 1] = Number(r);
  }
  r.pushedBack = true;
  r.block = &block;
  r.target = &block.content;
}

// Entities that belong to others and are never counted as left out.
bool IsPartOfAnother(const DxfReader& r) {
  return Is(r, "VERTEX") || Is(r, "SEQEND") || Is(r, "ATTRIB") || Is(r, "ATTDEF") || Is(r, "ENDBLK") ||
         Is(r, "BLOCK") || Is(r, "SECTION") || Is(r, "ENDSEC") || Is(r, "EOF");
}

// Reads one entity into the current container. False ends the reading.
bool ParseEntity(DxfReader& r) {
  if (Is(r, "LWPOLYLINE")) return ParseLwPolyline(r);
  if (Is(r, "POLYLINE")) return ParsePolyline(r);
  if (Is(r, "LINE")) return ParseLine(r);
  if (Is(r, "CIRCLE")) return ParseCircle(r, false);
  if (Is(r, "ARC")) return ParseCircle(r, true);
  if (Is(r, "ELLIPSE")) return ParseEllipse(r);
  if (Is(r, "SPLINE")) return ParseSpline(r);
  if (Is(r, "INSERT")) return ParseInsert(r);
  if (Is(r, "HATCH")) return ParseHatch(r);
  if (!IsPartOfAnother(r)) Skip(r, NameValue(r));
  return true;
}

// ----- Placing the outlines: blocks, layers, arcs -----

// What the walk through the drawing does with each outline it places.
struct Placement {
  const Outline* outline;
  Affine toWorld;  // from the outline's points to world coordinates
  int32_t layer;   // the layer it counts on (block contents on layer 0 take the layer of their INSERT)
};

struct Walker {
  Walker(DxfReader& reader, int32_t zero) : r(reader), layerZero(zero) {}
  DxfReader& r;
  int32_t layerZero;
  long placed = 0;
  bool overflow = false;
  std::map<std::string, const Block*> blocks;  // by upper-cased name; the first definition counts
  std::vector<const Block*> chain;             // the blocks being placed, innermost last
  std::map<std::string, long> skipped;
  std::set<const Block*> reported;
};

// Calls visit(placement) for every outline of the container, placed by `m`;
// descends into the blocks of its INSERTs. False when visit asks to stop or
// too many outlines were placed.
template <typename Visit>
bool Walk(Walker& w, const Container& c, const Affine& m, int32_t inherited, Visit& visit) {
  for (const auto& [kind, count] : c.skipped) w.skipped[kind] += count;
  for (const auto& [isOutline, index] : c.order) {
    if (isOutline) {
      const Outline& o = c.outlines[index];
      if (++w.placed > kMostPlacedOutlines) {
        w.overflow = true;
        return false;
      }
      const int32_t layer = o.layer == w.layerZero && inherited >= 0 ? inherited : o.layer;
      const Affine toWorld = o.world ? m : Compose(m, FromOwnSystem(o.normal));
      if (!visit(Placement{&o, toWorld, layer})) return false;
      continue;
    }
    const Insert& insert = c.inserts[index];
    const auto found = w.blocks.find(UpperCase(insert.block));
    const Block* block = found == w.blocks.end() ? nullptr : found->second;
    if (!block) {
      ++w.skipped["INSERT of a block that is not defined"];
      continue;
    }
    if (std::find(w.chain.begin(), w.chain.end(), block) != w.chain.end() ||
        static_cast<int>(w.chain.size()) >= kDeepestBlock) {
      ++w.skipped["INSERT of a block inside itself"];
      continue;
    }
    if (block->problemCode && w.reported.insert(block).second) {
      Notify(block->problemCode, "%s (in block %s)", block->problem.c_str(), block->name.c_str());
    }
    const int32_t layer = insert.layer == w.layerZero && inherited >= 0 ? inherited : insert.layer;
    w.chain.push_back(block);
    for (long row = 0; row < insert.rows; ++row) {
      for (long column = 0; column < insert.columns; ++column) {
        const Affine placed =
            Compose(m, BlockPlacement(insert.point, insert.scale, insert.rotation, insert.normal,
                                      column * insert.columnSpacing, row * insert.rowSpacing, block->base));
        if (!Walk(w, block->content, placed, layer, visit)) return false;
      }
    }
    w.chain.pop_back();
  }
  return true;
}

// The outline's points in world coordinates, its arcs followed by chords that
// leave them by at most `tolerance`, into the scratch buffer. Returns the
// number of points, or -1 when they do not fit.
long PlacePoints(DxfReader& r, const Placement& p, double tolerance) {
  const Outline& o = *p.outline;
  // The arcs are followed in the outline's own plane; a stretching placement
  // stretches their deviation too.
  const double stretch = Stretch(p.toWorld);
  const double local = stretch > 0 ? tolerance / stretch : tolerance;
  long n = 0;
  r.anyBulge = false;
  for (int32_t k = 0; k < o.count; ++k) {
    if (!EnsureRoom(r, n + 1)) return -1;
    r.points[n++] = o.points[k];
    const bool last = k + 1 == o.count;
    if (!o.bulges || o.bulges[k] == 0 || (last && !o.closed)) continue;
    const PolygonPoint& a = o.points[k];
    const PolygonPoint& b = o.points[last ? 0 : k + 1];
    std::vector<PolygonPoint>& arc = r.arc;
    arc.clear();
    ArcPoints(a, b, o.bulges[k], local, arc);
    if (!EnsureRoom(r, n + static_cast<long>(arc.size()))) return -1;
    for (const PolygonPoint& q : arc) r.points[n++] = q;
  }
  for (long k = 0; k < n; ++k) Apply(p.toWorld, r.points[k]);
  return n;
}

// Stores the first n points of the buffer as a new polygon. A polygon closed
// by its flag alone gets its first point again as its last, as every closed
// polygon of the store carries it.
bool StorePolygon(DxfReader& r, const Outline& o, long n) {
  for (long k = 0; k < n; ++k) {
    const PolygonPoint& p = r.points[k];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      Notify(3201, "coordinate that is not a finite number in %s at line %li", o.entity, o.line);
      return false;
    }
  }
  const PolygonPoint& first = r.points[0];
  const PolygonPoint& last = r.points[n - 1];
  const bool repeats = n > 1 && std::hypot(last.x - first.x, last.y - first.y) < kCoincident;
  const bool closed = (n > 3 && repeats) || (o.closed && n > 2);
  const long stored = closed && !repeats ? n + 1 : n;
  PolygonPoint* points = stored <= INT32_MAX ? TryAllocArray<PolygonPoint>(static_cast<std::size_t>(stored)) : nullptr;
  if (!points) {
    Notify(o.pointsCode, "too many points in %s at line %li: more than can be held", o.entity, o.line);
    return false;
  }
  std::memcpy(points, r.points, sizeof(PolygonPoint) * static_cast<std::size_t>(n));
  if (stored > n) points[n] = points[0];

  const int32_t index = store.polygonCount;
  Polygon& p = PrepareNewPolygon(o.storeCode);
  p.points = points;
  p.closed = closed ? 1 : 0;
  p.color = index % 12;
  p.count = static_cast<int32_t>(stored);
  if (o.land) {
    SetPolygonName(p, "land");
  } else {
    std::snprintf(p.name, sizeof p.name, "P%i", index + 1);
  }
  ++store.polygonCount;
  return true;
}

// "; 3 entities not read: TEXT (2), POINT (1)" and the like.
std::string SkippedWords(const std::map<std::string, long>& skipped) {
  long total = 0;
  std::vector<std::pair<std::string, long>> kinds;
  for (const auto& [kind, count] : skipped) {
    total += count;
    kinds.emplace_back(kind, count);
  }
  if (total == 0) return {};
  std::stable_sort(kinds.begin(), kinds.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  return "; " + std::to_string(total) + (total == 1 ? " entity" : " entities") +
         " not read: " + ListWithCounts(kinds, 4);
}

// Places the outlines of the drawing into the store: asks which layers to
// read, follows the arcs, fills in the blocks. Returns false when the user
// read nothing on purpose (the layer choice was cancelled or named a layer
// the drawing lacks); `words` receives what the status line says about
// layers and entities left out.
bool PlaceOutlines(DxfReader& r, std::string& words) {
  Walker w(r, LayerIndex(r, "0"));
  for (const Block& b : r.blocks) w.blocks.emplace(UpperCase(b.name), &b);
  const Affine identity;

  // The layers and how many outlines each holds.
  std::vector<long> counts(r.layers.size(), 0);
  auto count = [&](const Placement& p) {
    if (static_cast<std::size_t>(p.layer) >= counts.size()) counts.resize(p.layer + 1, 0);
    ++counts[p.layer];
    return true;
  };
  Walk(w, r.entities, identity, -1, count);
  const std::map<std::string, long> skipped = w.skipped;
  std::vector<LayerEntry> entries;
  std::vector<int32_t> entryLayer;
  for (std::size_t k = 0; k < counts.size(); ++k) {
    if (counts[k] == 0) continue;
    entries.push_back(LayerEntry{r.layers[k], counts[k]});
    entryLayer.push_back(static_cast<int32_t>(k));
  }
  std::vector<bool> chosenEntry(entries.size(), true);
  if (!entries.empty() && !ChooseLayers(fileName, entries, "entity", "entities", chosenEntry)) return false;
  std::vector<bool> chosen(counts.size(), false);
  for (std::size_t e = 0; e < entries.size(); ++e) chosen[entryLayer[e]] = chosenEntry[e];

  // The drawing's extent over the chosen layers sets how closely arcs are
  // followed.
  double xmin = HUGE_VAL, xmax = -HUGE_VAL, ymin = HUGE_VAL, ymax = -HUGE_VAL;
  auto extend = [&](const Placement& p) {
    if (!chosen[p.layer]) return true;
    const Outline& o = *p.outline;
    for (int32_t k = 0; k < o.count; ++k) {
      PolygonPoint q = o.points[k];
      if (o.bulges && o.bulges[k] != 0) {
        // The middle of the arc reaches furthest from its chord.
        const PolygonPoint& b = o.points[k + 1 < o.count ? k + 1 : 0];
        PolygonPoint middle = ArcMiddle(q, b, o.bulges[k]);
        Apply(p.toWorld, middle);
        xmin = std::min(xmin, middle.x), xmax = std::max(xmax, middle.x);
        ymin = std::min(ymin, middle.y), ymax = std::max(ymax, middle.y);
      }
      Apply(p.toWorld, q);
      xmin = std::min(xmin, q.x), xmax = std::max(xmax, q.x);
      ymin = std::min(ymin, q.y), ymax = std::max(ymax, q.y);
    }
    return true;
  };
  w.placed = 0;
  Walk(w, r.entities, identity, -1, extend);
  const double tolerance = std::hypot(xmax - xmin, ymax - ymin) * kArcShare;

  // The polygons.
  std::vector<long> stored(counts.size(), 0);
  auto place = [&](const Placement& p) {
    if (!chosen[p.layer]) return true;
    const long n = PlacePoints(r, p, std::isfinite(tolerance) ? tolerance : 0);
    if (n < 0) {
      Notify(p.outline->pointsCode, "too many points in %s at line %li: more than can be held", p.outline->entity,
             p.outline->line);
      return false;
    }
    if (n == 0) return true;
    if (!StorePolygon(r, *p.outline, n)) return false;
    ++stored[p.layer];
    return true;
  };
  w.placed = 0;
  Walk(w, r.entities, identity, -1, place);
  if (w.overflow) {
    Notify(3240, "the blocks of %s place more than %li outlines;\nthe rest were left out", fileName,
           kMostPlacedOutlines);
  }

  std::vector<std::pair<std::string, long>> read, left;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const int32_t layer = entryLayer[e];
    if (chosen[layer]) {
      read.emplace_back(entries[e].name, stored[layer]);
    } else {
      left.emplace_back(entries[e].name, entries[e].items);
    }
  }
  words.clear();
  if (entries.size() > 1 || !readChoices.layers.empty()) {
    words = read.size() == 1 ? " from layer " + read[0].first : " from layers " + ListWithCounts(read);
    if (!left.empty()) words += "; layers left out: " + ListWithCounts(left);
  }
  words += SkippedWords(skipped);
  return true;
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
  // A reference system given beside the drawing (channel.prj) is its own.
  LoadReferenceSystem(fileName);
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
  bool sectionStart = false;  // the pair before was "0 SECTION"
  bool inBlocks = false;
  while (ReadPair(r) == 0) {
    if (r.length > 0 && r.lines >= threshold) {
      threshold += step;
      const double position = static_cast<double>(std::ftell(r.file));
      long percent = RoundHalfAway(position * 100.0 / static_cast<double>(r.length) + 0.5);
      if (percent > 100) percent = 100;  // the rounding runs one ahead near the end
      ShowStatusF(true, "%li%% reading %s", percent, fileName);
    }
    if (r.code == 0 && Is(r, "EOF")) break;
    const bool afterSection = sectionStart;
    sectionStart = r.code == 0 && Is(r, "SECTION");
    if (r.code == 2 && Is(r, "ENTITIES")) {
      r.target = &r.entities;
      r.block = nullptr;
      inBlocks = false;
    } else if (r.code == 2 && afterSection) {
      inBlocks = Is(r, "BLOCKS");
      r.target = nullptr;
      r.block = nullptr;
    } else if (r.code == 0 && Is(r, "ENDSEC")) {
      r.target = nullptr;
      r.block = nullptr;
      inBlocks = false;
    } else if (inBlocks && r.code == 0 && Is(r, "BLOCK")) {
      ParseBlockHeader(r);
    } else if (inBlocks && r.code == 0 && Is(r, "ENDBLK")) {
      r.target = nullptr;
      r.block = nullptr;
    } else if (r.target && r.code == 0) {
      if (!ParseEntity(r) && (r.ended || !r.block)) break;
    }
  }

  if (r.longLines > 0) {
    Notify(2968,
           "%li lines of %s are longer than 255 characters;\n"
           "only their first 255 characters were read (the first is line %li)",
           r.longLines, fileName, r.firstLongLine);
  }
  std::string words;
  if (!PlaceOutlines(r, words)) return 0;
  const long added = store.polygonCount - startCount;
  if (added == 0) {
    Notify(3219, "file does not contain any polygons");
  } else {
    ShowStatusF(true, "%li lines read, %li polygons found%s", r.lines, added, words.c_str());
  }
  return added;
}

}  // namespace kestrel
