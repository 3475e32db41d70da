#include "formats/georef.h"

#include <ogr_spatialref.h>
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

std::string BaseName(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

bool Exists(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0;
}

bool ReadText(const std::string& name, std::string& text) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return true;
}

std::string WithoutLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The WKT of a reference system as the program gives it, so that every file
// Kestrel writes has one form. False when the text is no reference system.
bool NormalWkt(const std::string& wkt, std::string& normal) {
  OGRSpatialReference srs;
  if (srs.importFromWkt(wkt.c_str()) != OGRERR_NONE) return false;
  char* text = nullptr;
  const bool ok = srs.exportToWkt(&text) == OGRERR_NONE && text;
  if (ok) normal = text;
  CPLFree(text);
  return ok;
}

// The text Kestrel writes for a reference system: its normal WKT (or the
// text as it is, when it cannot be read), and a line end.
std::string KestrelText(const std::string& wkt) {
  std::string normal;
  return (NormalWkt(wkt, normal) ? normal : wkt) + "\n";
}

bool IsKestrelFile(const std::string& name) {
  std::string text;
  return ReadText(name, text) && IsKestrelReferenceText(text);
}

bool WriteWhole(const std::string& name, const std::string& text) {
  const std::string temporary = name + ".kestrel-new";
  FILE* out = std::fopen(temporary.c_str(), "w");
  if (!out) return false;
  bool ok = std::fputs(text.c_str(), out) >= 0;
  ok = std::fclose(out) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), name.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace

bool IsKestrelReferenceText(const std::string& text) {
  if (text.size() < 2 || text.back() != '\n' || text[text.size() - 2] == '\n') return false;
  const std::string wkt = text.substr(0, text.size() - 1);
  std::string normal;
  return NormalWkt(wkt, normal) && normal == wkt;
}

std::string ReferenceFileName(const std::string& polygonFile) {
  const std::string own = polygonFile + ".prj";
  if (Exists(own)) return own;
  const std::string stem = Stem(polygonFile);
  // A shapefile of the same name owns that .prj.
  if (Exists(stem + ".shp")) return own;
  return stem + ".prj";
}

void LoadReferenceSystem(const std::string& polygonFile) {
  referenceSystem.clear();
  std::string text;
  if (ReadText(ReferenceFileName(polygonFile), text)) referenceSystem = WithoutLineEnds(text);
}

bool SaveReferenceSystem(const std::string& polygonFile, std::string& note, std::string& failed) {
  note.clear();
  failed.clear();
  const std::string own = polygonFile + ".prj";
  const std::string plain = Stem(polygonFile) + ".prj";
  const bool plainUsable = plain != own && !Exists(Stem(polygonFile) + ".shp");
  if (referenceSystem.empty()) {
    // A reference system written for earlier polygons would come back with
    // these: Kestrel's own files go.
    for (const std::string& name : {own, plain}) {
      if ((name == own || plainUsable) && Exists(name) && IsKestrelFile(name) && std::remove(name.c_str()) == 0) {
        note += (note.empty() ? "; " : ", ") + BaseName(name) + " removed";
      }
    }
    if (!note.empty()) note += " (the polygons have no reference system)";
    return true;
  }
  const std::string text = KestrelText(referenceSystem);
  std::string existing;
  std::string target = own;
  if (plainUsable) {
    if (!ReadText(plain, existing) || IsKestrelReferenceText(existing) ||
        WithoutLineEnds(existing) == WithoutLineEnds(text)) {
      target = plain;
    } else {
      note = "; " + BaseName(plain) + " kept, the reference system is in " + BaseName(own);
    }
  }
  if (target == plain && Exists(own) && IsKestrelFile(own)) std::remove(own.c_str());  // it would be read first
  // A file that already holds this system is left as it is.
  if (ReadText(target, existing) && WithoutLineEnds(existing) == WithoutLineEnds(text)) return true;
  if (WriteWhole(target, text)) return true;
  failed = target;
  return false;
}

}  // namespace kestrel
