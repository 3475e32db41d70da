#include "model/modelfiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/report.h"
#include "depth/bathymetry.h"
#include "depth/celldepth.h"
#include "depth/depthreport.h"
#include "formats/cnumbers.h"
#include "formats/decimal.h"
#include "grid/gridstore.h"
#include "grid/quality.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "link/outfile.h"
#include "model/deckcheck.h"
#include "store/store.h"

namespace kestrel {

namespace {

// Map positions per block of CELL.INP lines.
constexpr int32_t kCellInpBlock = 120;

// The corners of one cell: node (i, j), (i+1, j), (i+1, j+1), (i, j+1).
struct CellCorners {
  double x00, y00, x10, y10, x11, y11, x01, y01;
};

CellCorners CornersOf(int32_t k, int32_t i, int32_t j) {
  const int32_t ni = grids.ni[k];
  const double* x = grids.x[k];
  const double* y = grids.y[k];
  const int32_t a = NodeIndex(ni, i, j), b = NodeIndex(ni, i + 1, j);
  const int32_t c = NodeIndex(ni, i + 1, j + 1), d = NodeIndex(ni, i, j + 1);
  return CellCorners{x[a], y[a], x[b], y[b], x[c], y[c], x[d], y[d]};
}

// Calls visit(k, i, j) for every cell of every patch in file order: polygons
// ascending, rows j, within a row i. The clip polygon has no cells.
template <typename Visit>
void ForEachCell(Visit visit) {
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (k == clipPolygon) continue;
    for (int32_t j = 0; j < grids.nj[k]; ++j) {
      for (int32_t i = 0; i < grids.ni[k]; ++i) visit(k, i, j);
    }
  }
}

int32_t ModelI(int32_t k, int32_t i, int32_t j) { return cellMap.cellI[k][j * grids.ni[k] + i] + 1; }
int32_t ModelJ(int32_t k, int32_t i, int32_t j) { return cellMap.cellJ[k][j * grids.ni[k] + i] + 1; }

}  // namespace

namespace {

// The cell type map, in the layout of CELL.INP, into the file `name`.
bool WriteCellTypeMap(const char* name, int createCode, int writeCode) {
  std::FILE* out = CreateOutputFile(name, createCode);
  if (!out) return false;
  const int32_t iSize = cellMap.iSize, jSize = cellMap.jSize;
  std::fprintf(out, "C cell.inp file,  %i rows and %i columns\n", iSize, jSize);
  std::fputs("C\n", out);
  const int32_t ruled = std::min(iSize, kCellInpBlock);
  std::fputs("C    ", out);
  for (int32_t p = 0; p < ruled; ++p) {
    if (p % 10 == 9) {
      std::fprintf(out, "%i", (p + 1) / 10);
    } else {
      std::fputc(' ', out);
    }
  }
  std::fputc('\n', out);
  std::fputs("C    ", out);
  for (int32_t p = 0; p < ruled; ++p) std::fprintf(out, "%i", (p + 1) % 10);
  std::fputc('\n', out);

  for (int32_t start = 0; start < iSize; start += kCellInpBlock) {
    const int32_t end = std::min(start + kCellInpBlock, iSize);
    for (int32_t J = jSize - 1; J >= 0; --J) {
      std::fprintf(out, "%3i  ", J + 1);
      for (int32_t I = start; I < end; ++I) {
        char c;
        if (I == 0 || I == iSize - 1 || J == 0 || J == jSize - 1) {
          c = '0';  // the outer frame
        } else if (cellMap.owner[J][I] == -1) {
          c = '9';  // land
        } else {
          c = '5';  // water
        }
        std::fputc(c, out);
      }
      std::fputc('\n', out);
    }
  }
  return FinishOutputFile(out, name, writeCode);
}

// How a cell is named in the quality report once the grid is linked.
std::string ModelCellLabel(const CellQuality& cell) {
  char text[64];
  std::snprintf(text, sizeof text, "model I %i, J %i", ModelI(cell.polygon, cell.i, cell.j),
                ModelJ(cell.polygon, cell.i, cell.j));
  return text;
}

}  // namespace

bool LinkIsCurrent() {
  return linksValid == 1 && gridsValid == 1 && grids.patchCount == store.polygonCount &&
         links.slotCount == grids.patchCount && cellMap.owner != nullptr && cellMap.cellI != nullptr;
}

bool WriteCellInp() {
  // The model reads the long-term transport map CELLLT.INP in every run; it
  // is the same map, written with CELL.INP so that the two never disagree.
  return WriteCellTypeMap("CELL.INP", 6452, 6453) && WriteCellTypeMap("CELLLT.INP", 6460, 6461);
}

bool WriteShowInp() {
  const char* name = "SHOW.INP";
  // A modeller's own display settings are never replaced.
  struct stat st;
  if (stat(name, &st) == 0) return true;
  int32_t firstI = 0, firstJ = 0;
  bool found = false;
  ForEachCell([&](int32_t k, int32_t i, int32_t j) {
    if (found || !IsActiveCell(k, i, j)) return;
    firstI = ModelI(k, i, j);
    firstJ = ModelJ(k, i, j);
    found = true;
  });
  std::FILE* out = CreateOutputFile(name, 6462);
  if (!out) return false;
  std::fputs("* SHOW.INP: what the model shows on the screen while it runs.\n", out);
  std::fputs("* First line of numbers: the kind of value shown (3 is salinity), the\n", out);
  std::fputs("*   time steps between two screen updates, the model I and J of the\n", out);
  std::fputs("*   cell whose values are shown, and the screen updates per printed line.\n", out);
  std::fputs("* Second line: the lowest and the highest water surface elevation shown,\n", out);
  std::fputs("*   and the largest salinity shown.\n", out);
  std::fprintf(out, "%8i%8i%8i%8i%8i\n", 3, 1000, firstI, firstJ, 1);
  std::fputs("-500 1000 1000\n", out);
  return FinishOutputFile(out, name, 6463);
}

bool WriteQualityFile() {
  const char* name = "QUALITY.TXT";
  std::FILE* out = CreateOutputFile(name, 6464);
  if (!out) return false;
  const CellLabel label = LinkIsCurrent() ? ModelCellLabel : PatchCellLabel;
  std::string report = QualityReport(MeasureGrid(), label);
  report += "\n" + TimeStepReport(CheckTimeStep());
  if (const DepthField* depths = CurrentDepths()) report += "\n" + DepthReport(*depths, label);
  std::fputs(report.c_str(), out);
  return FinishOutputFile(out, name, 6465);
}

bool WriteDxdyInp() {
  const char* name = "DXDY.INP";
  // Without its depths the file would claim a flat bed 1 m deep.
  const DepthField* depths = bathymetrySources.empty() ? nullptr : CurrentDepths();
  if (!bathymetrySources.empty() && !depths) return false;
  std::FILE* out = CreateOutputFile(name, 6454);
  if (!out) return false;
  std::fputs("C DXDY.INP FILE, IN FREE FORMAT ACROSS COLUMNS\n", out);
  std::fputs("C\n", out);
  std::fputs("C                                  BOTTOM            Veg\n", out);
  std::fputs("C  I    J    DX      DY    DEPTH    ELEV   ZROUGH   TYPE\n", out);
  ForEachCell([&](int32_t k, int32_t i, int32_t j) {
    if (!IsActiveCell(k, i, j)) return;
    const CellCorners c = CornersOf(k, i, j);
    const double dx = (std::hypot(c.x10 - c.x00, c.y10 - c.y00) + std::hypot(c.x11 - c.x01, c.y11 - c.y01)) * 0.5;
    const double dy = (std::hypot(c.x01 - c.x00, c.y01 - c.y00) + std::hypot(c.x11 - c.x10, c.y11 - c.y10)) * 0.5;
    std::string depth = "1.0", elevation = "-1.0";
    if (depths) {
      const CellDepth& d = depths->cells[k][static_cast<size_t>(j) * grids.ni[k] + i];
      depth = FixedDecimal(d.depth, 3);
      elevation = FixedDecimal(d.elevation, 3);
    }
    PrintC(out, "%i %i %.3lf %.3lf %s %s 0.0200\n", ModelI(k, i, j), ModelJ(k, i, j), dx, dy, depth.c_str(),
           elevation.c_str());
  });
  return FinishOutputFile(out, name, 6455);
}

bool WriteLxlyInp() {
  const char* name = "LXLY.INP";
  std::FILE* out = CreateOutputFile(name, 6456);
  if (!out) return false;
  std::fputs("C LXLY.INP FILE, IN FREE FORMAT ACROSS COLUMNS\n", out);
  std::fputs("C\n", out);
  std::fputs("C                                                              WIND \n", out);
  std::fputs("C    I     J      X      Y      CUE     CVE     CUN     CVN  SHELTER\n", out);
  ForEachCell([&](int32_t k, int32_t i, int32_t j) {
    if (!IsActiveCell(k, i, j)) return;
    const CellCorners c = CornersOf(k, i, j);
    const double x = (c.x00 + c.x10 + c.x11 + c.x01) * 0.25;
    const double y = (c.y00 + c.y10 + c.y11 + c.y01) * 0.25;
    const double cx[4] = {c.x00, c.x10, c.x11, c.x01}, cy[4] = {c.y00, c.y10, c.y11, c.y01};
    const CellRotation r = RotationOf(cx, cy);
    PrintC(out, "%i %i %.1lf %.1lf %.5lf %.5lf %.5lf %.5lf 0\n", ModelI(k, i, j), ModelJ(k, i, j), x, y, r.cue, r.cve,
           r.cun, r.cvn);
  });
  return FinishOutputFile(out, name, 6457);
}

bool WriteCornersInp() {
  const char* name = "CORNERS.INP";
  std::FILE* out = CreateOutputFile(name, 6458);
  if (!out) return false;
  std::fputs("* corner file\n", out);
  std::fputs("*\n", out);
  ForEachCell([&](int32_t k, int32_t i, int32_t j) {
    const int32_t I = ModelI(k, i, j) - 1, J = ModelJ(k, i, j) - 1;
    if (cellMap.owner[J][I] == -1) return;
    const CellCorners c = CornersOf(k, i, j);
    PrintC(out, "%i %i %.1lf %.1lf %.1lf %.1lf %.1lf %.1lf %.1lf %.1lf\n", I + 1, J + 1, c.x00, c.y00, c.x10, c.y10,
           c.x11, c.y11, c.x01, c.y01);
  });
  return FinishOutputFile(out, name, 6459);
}

bool KeptShowCellIsDry(int32_t& modelI, int32_t& modelJ) {
  std::ifstream in("SHOW.INP", std::ios::binary);
  if (!in) return false;
  // The first line of numbers: the kind of value, the steps between
  // updates, then the model I and J of the cell shown.
  modelI = modelJ = 0;
  for (std::string line; std::getline(in, line);) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || !(std::isdigit(static_cast<unsigned char>(line[start])) || line[start] == '-')) {
      continue;
    }
    long values[4] = {};
    const char* at = line.c_str() + start;
    const char* end = line.c_str() + line.size();
    int read = 0;
    for (; read < 4; ++read) {
      while (at < end && (*at == ' ' || *at == '\t' || *at == ',')) ++at;
      const auto [next, error] = std::from_chars(at, end, values[read]);
      if (error != std::errc()) break;
      at = next;
    }
    if (read < 4) return true;  // names no cell it can read
    modelI = static_cast<int32_t>(values[2]);
    modelJ = static_cast<int32_t>(values[3]);
    const long I = values[2] - 1, J = values[3] - 1;
    if (I < 1 || J < 1 || I >= cellMap.iSize - 1 || J >= cellMap.jSize - 1) return true;
    return cellMap.owner[J][I] == -1;
  }
  return true;
}

bool WriteModelFiles() {
  // Files written from a link of other patches than those in memory would
  // describe a grid that does not exist.
  if (!LinkIsCurrent()) {
    ShowStatus("polygons must first be linked");
    return false;
  }
  // Nothing is written for a grid the model could not use.
  if (!DeckPasses(6449, "no model files were written: the linked grid fails its check\n")) return false;
  // With survey data loaded the depths come first: a deck without them
  // would model a flat bed.
  const DepthField* depths = nullptr;
  if (!bathymetrySources.empty()) {
    depths = CurrentDepths();
    if (!depths) {
      ShowStatusF(false, "model files not written: no depths for the grid (%s)", DepthProblem().c_str());
      return false;
    }
  }
  const TimeStepCheck step = CheckTimeStep();
  struct stat st;
  const bool ownShow = stat("SHOW.INP", &st) == 0;
  const bool written = WriteEfdcInp(fileName, step.stepsPerPeriod) && WriteCellInp() && WriteDxdyInp() &&
                       WriteLxlyInp() && WriteCornersInp() && WriteShowInp() && WriteQualityFile();
  if (written) {
    // After --allow-folded the status line says what was filed.
    std::string notes;
    const long folded = allowFoldedCells ? FoldedWaterCells() : 0;
    if (folded > 0) notes = " (with " + std::to_string(folded) + " folded cells, as asked)";
    notes += "; " + TimeStepStatus(step);
    if (depths) notes += "; " + DepthStatus(*depths);
    int32_t showI, showJ;
    if (ownShow && KeptShowCellIsDry(showI, showJ)) {
      notes += showI > 0 || showJ > 0 ? "; the kept SHOW.INP shows model I " + std::to_string(showI) + ", J " +
                                            std::to_string(showJ) + ", which is not water"
                                      : "; the kept SHOW.INP names no cell";
    }
    ShowStatusF(false,
                "model files written: EFDC.INP, CELL.INP, CELLLT.INP, DXDY.INP, LXLY.INP, CORNERS.INP%s, QUALITY.TXT%s",
                ownShow ? " (SHOW.INP kept)" : ", SHOW.INP", notes.c_str());
  }
  return written;
}

}  // namespace kestrel
