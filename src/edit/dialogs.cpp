#include "edit/dialogs.h"

#include <cstdio>
#include <cstring>

#include "app/frontend.h"
#include "formats/cnumbers.h"
#include "store/store.h"

namespace kestrel {

double dialogValue = 0;

void ValueDialog(const char* dialog) {
  char shown[64];
  FormatC(shown, sizeof shown, "%G", dialogValue);
  dialogValue = -1;
  std::string text = shown;
  if (!UI().AskValue(dialog, text)) return;
  // The edit field gives at most 255 characters.
  const std::string field = text.substr(0, 255);
  double value;
  if (ScanC(field.c_str(), "%lf", &value) == 1) dialogValue = value;
}

std::string DialogCaption(const char* dialog) {
  if (std::strcmp(dialog, "SPACING") == 0) return "Space Polygon Points";
  if (std::strcmp(dialog, "REMOVE") == 0) return "Remove Polygons Shorter Than";
  if (std::strcmp(dialog, "RENAME") == 0) return "Rename Polygon";
  if (std::strcmp(dialog, "BATHYMETRY") == 0) return "Bathymetry: --soundings, --water-level Z, --min-depth D";
  if (std::strcmp(dialog, "SELECT") == 0) {
    char caption[64];
    std::snprintf(caption, sizeof caption, "Select a Polygon (1 to %i)", static_cast<int>(store.polygonCount));
    return caption;
  }
  return dialog;
}

void ResetEditState() { dialogValue = 0; }

}  // namespace kestrel
