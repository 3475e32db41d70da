#include "link/outfile.h"

#include "app/report.h"

namespace kestrel {

std::FILE* CreateOutputFile(const char* name, int code) {
  std::FILE* file = std::fopen(name, "w");
  if (!file) Notify(code, "can't create output file %s", name);
  return file;
}

bool FinishOutputFile(std::FILE* file, const char* name, int code) {
  const bool failed = std::ferror(file) != 0;
  const bool closeFailed = std::fclose(file) != 0;
  if (failed || closeFailed) {
    Notify(code, "can't write output file %s", name);
    return false;
  }
  return true;
}

}  // namespace kestrel
