// The one-value dialogs of the edit commands, seen from the logic: the value
// dialog ("SPACING" and "REMOVE") with its shared dialogValue, and the captions
// the front end shows for each dialog name it is asked for.
#pragma once

#include <string>

namespace kestrel {

// The value shown when the value dialog opens; on return the number typed
// (OK) or -1 (Cancel, or nothing readable as a number).
extern double dialogValue;

// Runs the value dialog `dialog` ("SPACING" or "REMOVE") through the front
// end: shows dialogValue as printf "%G" does and reads the answer back as
// scanf "%lf" does, so an untouched default counts as displayed (six
// significant digits).
void ValueDialog(const char* dialog);

// The caption of a dialog by its name: "SPACING", "REMOVE", "RENAME" and
// "SELECT" (whose caption names the range of polygon numbers). Unknown names
// give themselves.
std::string DialogCaption(const char* dialog);

// Puts the edit commands' state back to its start-up values.
void ResetEditState();

}  // namespace kestrel
