#include "link/outfile.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/report.h"
#include "formats/outfile.h"

namespace kestrel {

namespace {

// The files being written: each goes to a temporary file beside its name and
// replaces the old file only when it is complete.
std::vector<std::unique_ptr<OutputFile>> openFiles;

}  // namespace

std::FILE* CreateOutputFile(const char* name, int code) {
  auto file = std::make_unique<OutputFile>(name);
  if (!file->stream()) {
    Notify(code, "can't create output file %s", name);
    return nullptr;
  }
  std::FILE* stream = file->stream();
  openFiles.push_back(std::move(file));
  return stream;
}

bool FinishOutputFile(std::FILE* stream, const char* name, int code) {
  auto at = std::find_if(openFiles.begin(), openFiles.end(),
                         [stream](const std::unique_ptr<OutputFile>& f) { return f->stream() == stream; });
  bool ok = false;
  if (at != openFiles.end()) {
    ok = (*at)->Commit();
    openFiles.erase(at);
  }
  if (!ok) Notify(code, "can't write output file %s", name);
  return ok;
}

}  // namespace kestrel
