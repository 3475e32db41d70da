#include "link/cellfiles.h"

#include <cstdio>

#include "app/frontend.h"
#include "link/cellmap.h"
#include "link/outfile.h"
#include "store/store.h"
#include "view/pens.h"

namespace kestrel {

namespace {

constexpr char kSymbols[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!#$%&()*+abcdefghijklmnopqrstuvwxyz<=>?@[]{}";
static_assert(sizeof kSymbols == 81, "eighty symbols");

constexpr const char* kTextName = "cell.txt";
constexpr const char* kHtmlName = "cell.html";

void WriteEscaped(std::FILE* out, char c) {
  switch (c) {
    case '"':
      std::fputs("&quot;", out);
      break;
    case '&':
      std::fputs("&amp;", out);
      break;
    case '\'':
      std::fputs("&apos;", out);
      break;
    case '<':
      std::fputs("&lt;", out);
      break;
    case '>':
      std::fputs("&gt;", out);
      break;
    default:
      std::fputc(c, out);
      break;
  }
}

}  // namespace

char CellSymbol(int32_t k) { return kSymbols[k % 80]; }

bool WriteCellText() {
  std::FILE* out = CreateOutputFile(kTextName, 6160);
  if (!out) return false;
  std::fputs("symbolic CELL.INP file\n", out);
  for (int32_t J = cellMap.jSize - 1; J >= 0; --J) {
    for (int32_t I = 0; I < cellMap.iSize; ++I) {
      const int32_t owner = cellMap.owner[J][I];
      std::fputc(owner == -1 ? ' ' : CellSymbol(owner), out);
    }
    std::fputc('\n', out);
  }
  return FinishOutputFile(out, kTextName, 6161);
}

bool WriteCellHtml() {
  std::FILE* out = CreateOutputFile(kHtmlName, 6170);
  if (!out) return false;
  std::fputs(
      "<html>\n"
      "<head>\n"
      "  <title>inverted symbolic CELL.INP file</title>\n"
      "</head>\n"
      "<body style=\"background-color: rgb(0, 0, 0); color: rgb(0, 0, 0);\"\n"
      " alink=\"#ee0000\" link=\"#0000ee\" vlink=\"#551a8b\">\n",
      out);
  for (int32_t J = 0; J < cellMap.jSize; ++J) {
    std::fputs("<span style=\"font-family: monospace; font-weight: bold;\">", out);
    for (int32_t I = 0; I < cellMap.iSize; ++I) {
      const int32_t owner = cellMap.owner[J][I];
      if (owner == -1) {
        std::fputs("&nbsp;", out);
        continue;
      }
      const int32_t color = PolygonAt(owner).color;
      const int pen = color >= 0 && color < 12 ? color : 0;
      std::fprintf(out, "<span style=\"color: rgb(%i, %i, %i);\">", PenRed(pen), PenGreen(pen), PenBlue(pen));
      WriteEscaped(out, CellSymbol(owner));
      std::fputs("</span>", out);
    }
    std::fputs("</span><br>\n", out);
  }
  std::fputs("</body>\n</html>\n", out);
  return FinishOutputFile(out, kHtmlName, 6171);
}

void ViewCellMap() { UI().ShowTextFile(kTextName); }

}  // namespace kestrel
