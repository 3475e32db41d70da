#include "depth/depthreport.h"

#include "depth/bathymetry.h"
#include "formats/decimal.h"
#include "grid/gridstore.h"
#include "store/store.h"

namespace kestrel {

namespace {

// Cells listed by name in each list; the rest are counted.
constexpr long kListed = 200;

std::string Metres(double value) { return FixedDecimal(value, 3) + " m"; }

std::string CellName(int32_t k, int32_t i, int32_t j, CellLabel label) {
  CellQuality cell;
  cell.polygon = k;
  cell.i = i;
  cell.j = j;
  return "polygon " + std::to_string(k + 1) + ", " + label(cell);
}

// Calls visit(k, i, j, depth) for every active cell in file order.
template <typename Visit>
void ForEachDepth(const DepthField& field, Visit visit) {
  for (size_t k = 0; k < field.cells.size(); ++k) {
    if (field.cells[k].empty()) continue;
    const int32_t ni = grids.ni[k];
    for (size_t at = 0; at < field.cells[k].size(); ++at) {
      const CellDepth& d = field.cells[k][at];
      if (d.method == DepthMethod::None) continue;
      visit(static_cast<int32_t>(k), static_cast<int32_t>(at % ni), static_cast<int32_t>(at / ni), d);
    }
  }
}

}  // namespace

std::string DepthReport(const DepthField& field, CellLabel label) {
  long cells = 0;
  for (long n : field.count) cells += n;
  cells -= field.count[static_cast<int>(DepthMethod::None)];
  std::string out = "Depths from survey data\n";
  out += "  sources, in order (a later one fills only the cells the ones before it leave empty):\n";
  for (size_t s = 0; s < bathymetrySources.size(); ++s) {
    const long given = s < field.perSource.size() ? field.perSource[s] : 0;
    out += "    " + std::to_string(s + 1) + ". " + DescribeSource(bathymetrySources[s]) + ": " + std::to_string(given) +
           " cells\n";
  }
  out += depthOptions.soundings ? "  values read as soundings: depths below the datum, positive down\n"
                                : "  values read as bottom elevations: positive up from the datum\n";
  out += "  water level (initial surface) " + Metres(depthOptions.waterLevel) + ", minimum depth " +
         Metres(depthOptions.minDepth) + "; DEPTH = water level - bottom elevation\n";
  out += "  cells by method (of " + std::to_string(cells) + "):\n";
  for (int m = 1; m < kDepthMethods; ++m) {
    out += "    " + std::string(DepthMethodName(static_cast<DepthMethod>(m))) + ": " + std::to_string(field.count[m]) +
           "\n";
  }
  bool found = false;
  int32_t shallow[3] = {}, deep[3] = {};
  CellDepth shallowCell, deepCell;
  ForEachDepth(field, [&](int32_t k, int32_t i, int32_t j, const CellDepth& d) {
    if (!found || d.depth < shallowCell.depth) {
      shallowCell = d;
      shallow[0] = k, shallow[1] = i, shallow[2] = j;
    }
    if (!found || d.depth > deepCell.depth) {
      deepCell = d;
      deep[0] = k, deep[1] = i, deep[2] = j;
    }
    found = true;
  });
  if (found) {
    out += "  shallowest: " + CellName(shallow[0], shallow[1], shallow[2], label) + ": depth " +
           Metres(shallowCell.depth) + ", bottom elevation " + Metres(shallowCell.elevation) + "\n";
    out += "  deepest: " + CellName(deep[0], deep[1], deep[2], label) + ": depth " + Metres(deepCell.depth) +
           ", bottom elevation " + Metres(deepCell.elevation) + "\n";
  }
  out += "  cells raised to the minimum depth (their bottom lowered to match): " + std::to_string(field.raised) + "\n";
  long listed = 0;
  ForEachDepth(field, [&](int32_t k, int32_t i, int32_t j, const CellDepth& d) {
    if (!d.raised || listed++ >= kListed) return;
    out += "    " + CellName(k, i, j, label) + ": surveyed bottom " + Metres(d.surveyed) + "\n";
  });
  if (listed > kListed) out += "    and " + std::to_string(listed - kListed) + " more\n";
  const long nearest = field.count[static_cast<int>(DepthMethod::Nearest)];
  out += "  cells filled by the nearest value (no survey data within reach): " + std::to_string(nearest) + "\n";
  listed = 0;
  ForEachDepth(field, [&](int32_t k, int32_t i, int32_t j, const CellDepth& d) {
    if (d.method != DepthMethod::Nearest || listed++ >= kListed) return;
    out += "    " + CellName(k, i, j, label) + ": bottom " + Metres(d.surveyed) + "\n";
  });
  if (listed > kListed) out += "    and " + std::to_string(listed - kListed) + " more\n";
  return out;
}

std::string DepthStatus(const DepthField& field) {
  std::string text = "depths " + FixedDecimal(field.shallowest, 2) + " to " + FixedDecimal(field.deepest, 2) + " m";
  if (field.raised > 0) {
    text += ", " + std::to_string(field.raised) + " cells raised to " + ShortDecimal(depthOptions.minDepth) + " m";
  }
  const long nearest = field.count[static_cast<int>(DepthMethod::Nearest)];
  if (nearest > 0) text += ", " + std::to_string(nearest) + " filled by the nearest value";
  return text;
}

}  // namespace kestrel
