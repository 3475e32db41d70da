// Keeps unsaved work when the program must end, through Abort or through
// Cancel of a Notify box: the polygons are written to a recovery file that
// the box names.
#pragma once

#include <string>

namespace kestrel {

// The file the polygons would be recovered to now: beside the current file
// ("river.p2d" gives "river-recovered.p2d", numbered when that exists), or
// "Kestrel-recovered.p2d" in the working folder when there is no file name.
// When that cannot be written, the working folder and then the home folder
// are tried.
std::string RecoveryFileName();

// When there are unsaved changes, writes every polygon to the recovery file
// and returns a sentence naming it (or saying that it failed); otherwise
// returns nothing. Never reports through the message boxes itself.
std::string RecoverUnsavedWork();

// Installs RecoverUnsavedWork as the Abort hook, and the recovery on Cancel
// of a Notify box (interactive programs only).
void EnableRecovery();

}  // namespace kestrel
