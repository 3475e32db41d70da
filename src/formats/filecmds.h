// The file commands: Open, Save and Exit, their file dialogs and
// unsaved-changes prompts, and the choice of reader by the file name.
#pragma once

namespace kestrel {

// True when the name ends in ".dxf" in any mix of case: a drawing.
bool IsDrawingFileName(const char* name);

// Reads fileName into the store with the reader its name calls for. Returns
// the number of polygons added, -1 when nothing could be read.
long ReadInputFile();

// The save dialog over fileName. Returns fileName, or nullptr when the store
// is empty or the dialog ended without a name (the journal is then emptied).
const char* AskSaveFileName();

// Offers to save unsaved changes, then runs the open dialog over fileName.
// Returns fileName when an existing file was chosen, else nullptr.
const char* AskOpenFileName();

void OpenCommand();
void SaveCommand();
// Ends the program, after offering to save unsaved changes. The program
// stays open when the user cancels or when the save fails.
void ExitCommand();

}  // namespace kestrel
