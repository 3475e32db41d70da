#include "formats/input.h"

#include <cstring>

#include "formats/dxf.h"
#include "formats/gis.h"
#include "formats/polyfile.h"
#include "store/store.h"

namespace kestrel {

bool IsDxfName(const char* name) {
  const std::size_t length = std::strlen(name);
  if (length < 4) return false;
  const char* tail = name + length - 4;
  const char* dxf = ".dxf";
  for (int k = 0; k < 4; ++k) {
    char c = tail[k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != dxf[k]) return false;
  }
  return true;
}

long ReadInputFile() {
  if (IsDxfName(fileName)) return ReadDxfFile();
  if (IsGisLayerName(fileName)) return ReadGisLayer();
  return ReadPolygonFile();
}

}  // namespace kestrel
