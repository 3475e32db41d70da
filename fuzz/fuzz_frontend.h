// What every fuzz target shares: a front end that never ends the process
// where the program legitimately reports, the program reset around each
// input, and the steps that follow a read in the real program.
//
// A Notify box is answered OK, as a user carrying on would answer it. An
// Abort, a reporter's own overflow or an ended process is a fault reached by
// the input: it stops the run through abort(), which libFuzzer reports as a
// crash and saves the input for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/frontend.h"

namespace kestrel::fuzz {

class FuzzFrontEnd : public FrontEnd {
 public:
  std::string clipboard;  // what GetClipboardText hands out
  long notifications = 0;

  void StatusChanged(bool) override {}
  bool NotifyBox(int, const char*, const char*) override;
  void AbortBox(int code, const char* caption, const char* text) override;
  [[noreturn]] void FatalExit(const char* text) override;
  [[noreturn]] void EndProcess(int exitCode) override;
  Answer AskYesNoCancel(const char*, const char*) override { return Answer::Cancel; }
  bool AskOkCancel(const char*, const char*) override { return false; }
  bool AskValue(const char*, std::string&) override { return false; }
  bool AskOpenFile(const char*, const char*, std::string&) override { return false; }
  bool AskSaveFile(const char*, const char*, std::string&) override { return false; }
  void PutClipboardText(const std::string& text) override { clipboard = text; }
  bool GetClipboardText(std::string& text) override;
};

FuzzFrontEnd& Front();

// The largest block the program may ask for while fuzzing. Above it the
// allocation helpers fail as an exhausted heap does, so that the refusals of
// absurd inputs are exercised well below libFuzzer's own memory limit.
constexpr std::size_t kFuzzBlockLimit = std::size_t{256} << 20;

// Puts the program back to its start-up state with the fuzz front end, a
// plot of window size and `name` in fileName.
void BeginInput(const char* name);
// Frees everything the input made the program hold.
void EndInput();

// A read-only stream over the input, as if it were a file.
FILE* OpenInput(const uint8_t* data, std::size_t size);

// What the program does with freshly read polygons: bound them, fit the view,
// draw them (every point through the view transform) and save them.
void UseReadPolygons();

// Stops the run as a crash when `condition` does not hold.
void Check(bool condition, const char* what);

}  // namespace kestrel::fuzz
