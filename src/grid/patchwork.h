// The long part of step 1: solving the boundary of every patch and placing
// its interior nodes, spread over all processor cores.
#pragma once

#include <cstdint>

#include "grid/driver.h"

namespace kestrel {

// Fills the grid store slot of every polygon from 0 to count - 1 except
// `skip` (the clip polygon, or -1) from its plan: first the boundary
// solutions of all patches, then all interior columns of all patches, each
// on all threads. The status line shows the progress (from this thread
// only; long work also the share done and the time left), and the user
// interface gets its pending input meanwhile, so that the user can stop the
// work (grid/stop.h). A failure that comes from a polygon's shape
// (IsShapeFailure), a node that is not a finite number, and the user's stop
// (kStoppedByUser) are returned with the polygon's index once the threads
// are done, and the slots filled so far stay for the caller to release; any
// other failure ends the program through Abort.
StepFailure BuildPatches(const PatchPlan* plans, int32_t count, int32_t skip);

}  // namespace kestrel
