// Where the grids of two cells meet on the ground: when two nodes count as
// one, how two cell edges meet, and an index that finds the edges near a
// place. Linking (step 2) and the check of the model grid both judge seams
// this way, so that a grid the link accepts is one the check accepts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kestrel {

// Two nodes of two cell edges are one node when they lie closer together
// than this share of the shorter of the two edges: a tolerance that follows
// the local cell size, whatever the size of the drawing.
constexpr double kNodeShare = 1.0 / 1000;

// The tolerance for two edges of these lengths.
double NodeTolerance(double lengthA, double lengthB);

// How edge A (a to b) meets edge B (c to d): +1 when their end nodes coincide
// running the same way, -1 running opposite ways, 0 when they do not meet
// node for node.
int EdgesMeet(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy);

// Distance from (px, py) to the segment from a to b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by);

// Whether segments A and B lie on each other along a stretch longer than the
// node tolerance: the two are in line within it and their overlap is longer.
bool SegmentsOverlap(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy);

// Segments filed in a square lattice by the cells their boxes cover, for
// finding those near a place. With a cell as large as the longest segment a
// segment covers at most four cells.
class SegmentIndex {
 public:
  // Empties the index and sets the cell size; false when it is not a
  // positive finite number.
  bool Reset(double cellSize);
  // Files segment `id`. False (nothing filed) when a coordinate is not finite
  // or too large for the lattice: a caller then searches without the index.
  bool Add(int32_t id, double ax, double ay, double bx, double by);
  // The ids of the segments filed in the cells that the box from (x0, y0) to
  // (x1, y1), widened by `margin`, covers: ascending, each once.
  void Near(double x0, double y0, double x1, double y1, double margin, std::vector<int32_t>& out) const;

 private:
  struct Cell {
    int64_t x, y;
    bool operator==(const Cell&) const = default;
  };
  struct CellHash {
    std::size_t operator()(const Cell& c) const;
  };
  bool CellOf(double x, double y, Cell& c) const;
  double size_ = 1;
  std::unordered_map<Cell, std::vector<int32_t>, CellHash> cells_;
};

}  // namespace kestrel
