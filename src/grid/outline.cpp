#include "grid/outline.h"

#include <cstdio>

#include "app/report.h"
#include "formats/cnumbers.h"
#include "formats/outfile.h"
#include "grid/gridstore.h"
#include "store/store.h"

namespace kestrel {

namespace {

bool WriteNode(FILE* out, const double* x, const double* y, int32_t index) {
  return PrintC(out, "%lf %lf\n", x[index], y[index]) >= 0;
}

bool WritePatch(FILE* out, int32_t k) {
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  const double* x = grids.x[k];
  const double* y = grids.y[k];
  if (!x || !y) return true;
  for (int32_t i = 0; i <= ni; ++i) {
    if (std::fputs("POLY\n", out) == EOF) return false;
    for (int32_t j = 0; j <= nj; ++j) {
      if (!WriteNode(out, x, y, NodeIndex(ni, i, j))) return false;
    }
    if (std::fputs("END\n", out) == EOF) return false;
  }
  for (int32_t j = 0; j <= nj; ++j) {
    if (std::fputs("POLY\n", out) == EOF) return false;
    for (int32_t i = 0; i <= ni; ++i) {
      if (!WriteNode(out, x, y, NodeIndex(ni, i, j))) return false;
    }
    if (std::fputs("END\n", out) == EOF) return false;
  }
  return true;
}

}  // namespace

bool WriteGridOutlines() {
  OutputFile file(kGridOutlineFile);
  FILE* out = file.stream();
  bool ok = out != nullptr;
  const int32_t n = store.polygonCount < grids.patchCount ? store.polygonCount : grids.patchCount;
  for (int32_t k = 0; ok && k < n; ++k) {
    if (k != clipPolygon) ok = WritePatch(out, k);
  }
  if (!ok) file.Fail();
  ok = file.Commit();
  if (!ok) Notify(5380, "can't create output file %s", kGridOutlineFile);
  return ok;
}

}  // namespace kestrel
