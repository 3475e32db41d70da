// What the program does with its command line before the event loop starts.
#pragma once

namespace kestrel {

enum class StartMode {
  Interactive,  // no file: the open dialog comes first
  Batch,        // a file was read and gridded; the user carries on
  Capture,      // as Batch, then the window is captured and the program ends
};

// Without a file name the Open command is posted; with one the file is read,
// fitted into the view and gridded. Any further argument asks for a capture.
StartMode StartFromArguments(int argc, const char* const* argv);

// Reads `name` as the command line does: the reader its name calls for, the
// bounds, the view fitted, the journal emptied and step 1 run.
void StartWithFile(const char* name);

}  // namespace kestrel
