#include "formats/georef.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace kestrel {

std::string referenceSystem;

namespace {

std::string Stem(const std::string& name) {
  std::string base = name;
  const size_t slash = base.find_last_of('/');
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) base.erase(dot);
  return base;
}

bool Exists(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0;
}

}  // namespace

std::string ReferenceFileName(const std::string& polygonFile) {
  const std::string stem = Stem(polygonFile);
  // A shapefile of the same name owns that .prj: ours then carries the whole
  // file name, so the shapefile's reference system is never overwritten.
  if (Exists(stem + ".shp")) return polygonFile + ".prj";
  return stem + ".prj";
}

void LoadReferenceSystem(const std::string& polygonFile) {
  referenceSystem.clear();
  std::ifstream in(ReferenceFileName(polygonFile), std::ios::binary);
  if (!in) return;
  std::ostringstream text;
  text << in.rdbuf();
  referenceSystem = text.str();
  while (!referenceSystem.empty() && (referenceSystem.back() == '\n' || referenceSystem.back() == '\r')) {
    referenceSystem.pop_back();
  }
}

bool SaveReferenceSystem(const std::string& polygonFile) {
  if (referenceSystem.empty()) return true;
  const std::string name = ReferenceFileName(polygonFile);
  const std::string temporary = name + ".kestrel-new";
  FILE* out = std::fopen(temporary.c_str(), "w");
  if (!out) return false;
  bool ok = std::fputs(referenceSystem.c_str(), out) >= 0 && std::fputc('\n', out) != EOF;
  ok = std::fclose(out) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), name.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace kestrel
