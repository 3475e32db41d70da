#include "app/recovery.h"

#include <sys/stat.h>

#include <cstdio>

#include "app/report.h"
#include "formats/polyfile.h"
#include "store/store.h"

namespace kestrel {

namespace {

bool Exists(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0;
}

bool AnyCorners() {
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.corners[0] || p.corners[1] || p.corners[2] || p.corners[3]) return true;
  }
  return false;
}

}  // namespace

std::string RecoveryFileName() {
  std::string base = "Kestrel";
  if (!needFileName && fileName[0]) {
    base = fileName;
    const size_t slash = base.find_last_of('/');
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) base.erase(dot);
  }
  std::string name = base + "-recovered.p2d";
  for (int n = 2; Exists(name) && n < 1000; ++n) name = base + "-recovered-" + std::to_string(n) + ".p2d";
  return name;
}

std::string RecoverUnsavedWork() {
  if (!modified || store.polygonCount < 1 || !store.polygons) return {};
  const std::string name = RecoveryFileName();
  FILE* out = std::fopen(name.c_str(), "wx");
  bool ok = out != nullptr;
  if (out) {
    long lines = 0;
    ok = WritePolygonStream(out, lines, AnyCorners(), false);
    ok = std::fclose(out) == 0 && ok;
  }
  if (!ok) return "Your unsaved polygons could not be saved to " + name + ".";
  return "Your unsaved polygons have been saved to " + name + ".";
}

void EnableRecovery() { SetAbortHook(RecoverUnsavedWork); }

}  // namespace kestrel
