// The orthogonal mode of step 1: its switch, the name marker that asks for it
// polygon by polygon, and the sides a polygon shares with its neighbours
// (which keep their arc-length spacing, so that neighbouring patches still
// meet node for node).
#pragma once

#include <cstdint>
#include <string>

#include "grid/driver.h"

namespace kestrel {

// When set, step 1 makes every patch by the conformal map (grid/conformal.h)
// and step 2 orthogonalises the linked grid. Off at start-up.
extern bool orthogonalMode;

// The marker a polygon name carries to ask for an orthogonal patch whatever
// the mode (compared without regard to case).
constexpr const char* kOrthogonalMarker = "{ortho}";

// Where the marker begins in a name, or null; and whether it has one.
const char* FindOrthogonalMarker(const char* name);
bool NameAsksOrthogonal(const char* name);

// The command: switches the mode and says so on the status line.
void ToggleOrthogonalMode();

// Sets held[s] in the plan of every orthogonal polygon whose side s + 1
// lies along the outline of another gridded polygon (the clip and land
// polygons do not count). A side counts as shared when a point of it lies
// closer to another polygon than a tenth of the spacing of its nodes.
void MarkHeldSides(PatchPlan* plans, int32_t count);

// What step 1's status line adds after "N polygons gridded" about the
// orthogonal patches among the `total` gridded: nothing when there are none,
// " orthogonally (conformal modulus 1.511)" for a single one, ", 2 of them
// orthogonally" and the like for several.
std::string OrthogonalGriddedText(int32_t total);

// Back to the start-up state.
void ResetOrthogonalMode();

}  // namespace kestrel
