// Output files of the grid steps: fixed names in the working folder, each
// written beside its name and put in place only when complete, replacing an
// earlier file. A file that cannot be created or written is reported with its
// name; nothing is ever written through a failed stream.
#pragma once

#include <cstdio>

namespace kestrel {

// Opens `name` for writing. On failure shows Notify(code, "can't create output
// file %s") and returns null.
std::FILE* CreateOutputFile(const char* name, int code);

// Closes the file and puts it in place. When any write to it failed, shows
// Notify(code, "can't write output file %s"), keeps the earlier file and
// returns false.
bool FinishOutputFile(std::FILE* file, const char* name, int code);

}  // namespace kestrel
