// The file commands: Open, Save and Exit, their file dialogs and
// unsaved-changes prompts. The reader is chosen by ReadInputFile (input.h).
#pragma once

#include "formats/input.h"

namespace kestrel {

// The save dialog over fileName (for a drawing or a GIS layer it proposes
// the same name ending in .p2d). Returns fileName, or nullptr when the store
// is empty or the dialog ended without a name (the journal is then emptied).
const char* AskSaveFileName();

// Offers to save unsaved changes, then runs the open dialog over fileName.
// Returns fileName when an existing file was chosen, else nullptr.
const char* AskOpenFileName();

void OpenCommand();
// Opens the file dropped on the window (the front end holds its name) as Open
// does, without the open dialog: unsaved changes are offered for saving first.
void OpenDroppedFile();
void SaveCommand();
// Ends the program, after offering to save unsaved changes. The program
// stays open when the user cancels or when the save fails. Changes to
// polygons read from a drawing or a GIS layer are saved through the save
// dialog, never over the file they came from; so are they when Open offers
// to save them.
void ExitCommand();

}  // namespace kestrel
