// What the depth calculation did, for QUALITY.TXT and the status line.
#pragma once

#include <string>

#include "depth/celldepth.h"
#include "grid/quality.h"

namespace kestrel {

// The depth block of QUALITY.TXT: the sources in order, the conventions, the
// cells by method, the shallowest and deepest cells, and the cells raised to
// the minimum depth and filled by the nearest value, each named by `label`.
std::string DepthReport(const DepthField& field, CellLabel label);

// For the status line of step 4, e.g. "depths 0.10 to 5.21 m, 4 cells raised
// to 0.1 m, 12 filled by the nearest value".
std::string DepthStatus(const DepthField& field);

}  // namespace kestrel
