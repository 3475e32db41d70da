#include "app/recovery.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

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

bool HasUnsavedWork() { return modified && store.polygonCount > 0 && store.polygons; }

// Where a recovery file may go, best first: beside the current file, the
// working folder, the home folder. The file's folder may be gone, or be the
// very folder a save just failed in.
std::vector<std::string> RecoveryBases() {
  std::vector<std::string> bases;
  if (!needFileName && fileName[0]) {
    std::string base = fileName;
    const size_t slash = base.find_last_of('/');
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) base.erase(dot);
    bases.push_back(base);
  }
  bases.push_back("Kestrel");
  if (const char* home = std::getenv("HOME"); home && home[0]) bases.push_back(std::string(home) + "/Kestrel");
  return bases;
}

// The first name of `base` that no file has yet.
std::string FreeName(const std::string& base) {
  std::string name = base + "-recovered.p2d";
  for (int n = 2; Exists(name) && n < 1000; ++n) name = base + "-recovered-" + std::to_string(n) + ".p2d";
  return name;
}

bool WriteRecoveryFile(const std::string& name) {
  FILE* out = std::fopen(name.c_str(), "wx");
  if (!out) return false;
  long lines = 0;
  bool ok = WritePolygonStream(out, lines, AnyCorners(), false);
  ok = std::fclose(out) == 0 && ok;
  if (!ok) std::remove(name.c_str());
  return ok;
}

// Writes the recovery file at the first place that takes it. Returns the
// name written, or an empty name when no place did.
std::string Recover() {
  for (const std::string& base : RecoveryBases()) {
    const std::string name = FreeName(base);
    if (WriteRecoveryFile(name)) return name;
  }
  return {};
}

std::string CancelNote() {
  if (!HasUnsavedWork()) return {};
  return "Cancel ends Kestrel: your unsaved polygons are first saved to " + RecoveryFileName() + ".";
}

KeepResult KeepOnCancel(std::string& said) {
  const std::string promised = RecoveryFileName();
  const std::string written = Recover();
  if (written.empty()) {
    said = "Your unsaved polygons could not be saved to " + promised + ".";
    return KeepResult::Failed;
  }
  said = "Your unsaved polygons have been saved to " + written + ".";
  return written == promised ? KeepResult::Saved : KeepResult::SavedElsewhere;
}

}  // namespace

std::string RecoveryFileName() { return FreeName(RecoveryBases().front()); }

std::string RecoverUnsavedWork() {
  if (!HasUnsavedWork()) return {};
  const std::string promised = RecoveryFileName();
  const std::string written = Recover();
  if (written.empty()) return "Your unsaved polygons could not be saved to " + promised + ".";
  return "Your unsaved polygons have been saved to " + written + ".";
}

void EnableRecovery() {
  SetAbortHook(RecoverUnsavedWork);
  SetCancelHooks(CancelNote, KeepOnCancel);
}

}  // namespace kestrel
