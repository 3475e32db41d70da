#include "formats/clipboard.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/buttons.h"
#include "app/report.h"
#include "edit/journal.h"
#include "formats/cnumbers.h"
#include "formats/polyfile.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

namespace {

const char* Keyword(int32_t count) {
  if (count >= 3) return "POLY";
  if (count == 2) return "LINE";
  return "POINT";
}

// Copies the selected polygons to the clipboard. Returns how many were
// copied; 0 (with the status "no polygons copied") when none had a point.
long CopySelection() {
  std::string text;
  const long blocks = FormatSelectedPolygons(text);
  if (blocks == 0) {
    ShowStatus("no polygons copied");
    return 0;
  }
  UI().PutClipboardText(text);
  ShowStatusF(false, "%li polygons copied to clipboard", blocks);
  return blocks;
}

// One line of pasted text, as the walk "%[^\r\n]\r\n" reads it.
enum class LineKind { End, Separator, Point };

struct PasteWalk {
  const char* at;
  const char* end;
  std::string line;  // the whole line, however long
  double x = 0, y = 0, z = 0;
  bool hasZ = false;

  // Takes the next line: everything up to the next carriage return or line
  // feed; the white space after it (line ends, blank lines, the blanks that
  // start the next line) is passed over. A text that starts with a line end
  // has no lines.
  LineKind Next() {
    if (at >= end || *at == '\r' || *at == '\n') return LineKind::End;
    const char* start = at;
    while (at < end && *at != '\r' && *at != '\n') ++at;
    line.assign(start, static_cast<std::size_t>(at - start));
    while (at < end && (*at == ' ' || *at == '\t' || *at == '\r' || *at == '\n' || *at == '\v' || *at == '\f')) {
      ++at;
    }
    double nx = 0, ny = 0, nz = 0;
    const int numbers = ParsePointLine(line.c_str(), nx, ny, nz);
    hasZ = numbers == 3;
    // Values that are not finite numbers (nan, inf, overflowing exponents)
    // are not coordinates: such a line separates like any other text.
    if (numbers < 2 || !std::isfinite(nx) || !std::isfinite(ny) || (hasZ && !std::isfinite(nz))) {
      return LineKind::Separator;
    }
    x = nx;
    y = ny;
    z = nz;
    return LineKind::Point;
  }
};

long CountBlocks(const char* text, const char* end) {
  PasteWalk walk{text, end, {}};
  long blocks = 0;
  bool inBlock = false;
  for (LineKind kind; (kind = walk.Next()) != LineKind::End;) {
    if (kind == LineKind::Point && !inBlock) ++blocks;
    inBlock = kind == LineKind::Point;
  }
  return blocks;
}

}  // namespace

long FormatSelectedPolygons(std::string& text) {
  long blocks = 0;
  char line[128];
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0 || p.count < 1) continue;
    std::snprintf(line, sizeof line, "%s\t%s\r\n", Keyword(p.count), p.name);
    text += line;
    for (int32_t k = 0; k < p.count; ++k) {
      const PolygonPoint& q = p.points[k];
      FormatC(line, sizeof line, "%0.9G\t%0.9G\t%0.9G\r\n", q.x, q.y, q.z);
      text += line;
    }
    text += "END\r\n";
    ++blocks;
  }
  return blocks;
}

void CopyPolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to copy");
    return;
  }
  if (QuerySelection() == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  CopySelection();
}

void CutPolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to cut");
    return;
  }
  if (QuerySelection() == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  // Nothing is deleted unless its text is safely on the clipboard.
  if (CopySelection() == 0) return;
  // A selected polygon without points was not copied, and its record could
  // not be re-inserted by Undo: it stays.
  DeleteSelectedPolygons(true);
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

void PastePolygons() {
  std::string clipboard;
  if (!UI().GetClipboardText(clipboard)) {
    ShowStatus("no text found on clipboard");
    return;
  }
  // Clipboard text ends at its first zero byte.
  const char* text = clipboard.c_str();
  const char* end = text + std::strlen(text);
  const long blocks = CountBlocks(text, end);
  if (blocks == 0) {
    ShowStatus("no polygons pasted from clipboard");
    return;
  }

  for (int32_t i = 0; i < store.polygonCount; ++i) PolygonAt(i).selection = 0;
  if (store.polygonCount + blocks > store.polygonCapacity) {
    const long grown = store.polygonCapacity + blocks + kStoreGrowth;
    store.polygons = GrowArray<Polygon>(2290, store.polygons, static_cast<std::size_t>(store.polygonCapacity),
                                        static_cast<std::size_t>(grown));
    store.polygonCapacity = static_cast<int32_t>(grown);
  }

  PasteWalk walk{text, end, {}};
  double lastZ = 0;
  long block = 0;
  LineKind kind = walk.Next();
  while (kind != LineKind::End) {
    if (kind == LineKind::Separator) {
      kind = walk.Next();
      continue;
    }
    // A block starts with the line just read: count its lines ahead.
    long n = 1;
    PasteWalk ahead = walk;
    while (ahead.Next() == LineKind::Point) ++n;

    ++block;
    const int32_t i = store.polygonCount;
    Polygon& p = store.polygons[i];
    std::memset(&p, 0, sizeof p);
    p.points = AllocArray<PolygonPoint>(block == blocks ? 2312 : 2300, static_cast<std::size_t>(n));
    for (long k = 0; k < n; ++k) {
      if (k > 0) walk.Next();
      if (walk.hasZ) lastZ = walk.z;
      p.points[k] = PolygonPoint{walk.x, walk.y, lastZ};
    }
    p.count = static_cast<int32_t>(n);
    BoundPolygon(i);
    const PolygonPoint& first = p.points[0];
    const PolygonPoint& last = p.points[n - 1];
    const double diagonal = std::hypot(p.xmax - p.xmin, p.ymax - p.ymin);
    p.closed = std::hypot(last.x - first.x, last.y - first.y) < 0.001 * diagonal ? 1 : 0;
    p.color = i % 12;
    p.selection = 1;
    PushInt(i);
    ++store.polygonCount;
    kind = walk.Next();
  }

  // The record is complete before the extents are checked: degenerate ones
  // clear the store through records of their own on top of it.
  PushInt(static_cast<int32_t>(blocks));
  PushInt(UndoRemovePolygonList);
  QuerySelection();
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
  if (store.polygonCount == 0) return;  // the extents were degenerate
  MarkModified();
  ShowStatusF(false, "%li polygons pasted from clipboard", blocks);
}

}  // namespace kestrel
