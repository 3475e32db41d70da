#include "formats/input.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "formats/dxf.h"
#include "formats/georef.h"
#include "formats/gis.h"
#include "formats/polyfile.h"
#include "store/store.h"

namespace kestrel {

std::string inputFileName;

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
  // Whatever was open before, its reference system does not belong to this
  // file.
  referenceSystem.clear();
  // Absolute, so that it still names the same file after the working folder
  // changed (kestrel-grid -C).
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(fileName, error);
  inputFileName = error ? std::string(fileName) : absolute.string();
  if (IsDxfName(fileName)) return ReadDxfFile();
  if (IsGisLayerName(fileName)) return ReadGisLayer();
  return ReadPolygonFile();
}

bool IsInputFile(const char* name) {
  if (inputFileName.empty() || !name || !*name) return false;
  std::error_code error;
  if (std::filesystem::equivalent(name, inputFileName, error) && !error) return true;
  error.clear();
  const auto a = std::filesystem::weakly_canonical(name, error);
  if (error) return false;
  const auto b = std::filesystem::weakly_canonical(inputFileName, error);
  return !error && a == b;
}

}  // namespace kestrel
