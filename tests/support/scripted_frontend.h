// The scripted front end of the tests: records every status text, box and
// code, answers questions and dialogs from queues the test fills, and turns
// Abort (and the reporters' fatal exits) into exceptions a test can catch.
#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frontend.h"

namespace kestrel::testing {

// Thrown where the program would end after a fatal box.
struct AbortCalled : std::runtime_error {
  int code;
  std::string caption;
  AbortCalled(int c, std::string cap, const std::string& text)
      : std::runtime_error(text), code(c), caption(std::move(cap)) {}
};

// Thrown where the program would end at once (fatal exit, Cancel of Notify).
struct ProcessEnded : std::runtime_error {
  int exitCode;
  ProcessEnded(int code, const std::string& why) : std::runtime_error(why), exitCode(code) {}
};

struct Box {
  int code;
  std::string caption;
  std::string text;
};

class ScriptedFrontEnd : public FrontEnd {
 public:
  // What the logic showed.
  std::vector<std::string> statuses;  // every status text, in order
  std::vector<bool> statusesNow;      // whether each was forced at once
  std::vector<Box> notifications;
  std::vector<Box> aborts;
  std::vector<std::string> questions;
  bool buttons[kButtonCount] = {};
  int plotRepaints = 0;
  int beeps = 0;
  std::vector<int> erased, drawn;
  std::string clipboard;
  std::vector<std::string> shownFiles;
  std::vector<std::string> shownValues;  // the text each value dialog opened with
  std::vector<Box> warnings;             // the warning boxes (code 0)

  // How the user answers, consumed front first. Empty queues give the
  // defaults: Notify OK, questions Cancel, dialogs cancelled.
  std::deque<bool> notifyAnswers;
  std::deque<Answer> answers;
  std::deque<bool> okAnswers;
  std::deque<std::optional<std::string>> values;  // nullopt: Cancel
  std::deque<std::string> openNames;
  std::deque<std::string> saveNames;
  // List choices: the ticks given (nullopt: Cancel). When empty, the choice
  // is accepted as offered. Every list offered is recorded.
  std::deque<std::optional<std::vector<bool>>> choices;
  std::vector<std::vector<std::string>> choiceLists;
  std::vector<std::string> saveProposals;  // the names the save dialogs proposed
  std::deque<std::string> droppedNames;    // files dropped on the window
  bool helpStarts = true;

  void StatusChanged(bool now) override;
  bool NotifyBox(int code, const char* caption, const char* text) override;
  void AbortBox(int code, const char* caption, const char* text) override;
  [[noreturn]] void FatalExit(const char* text) override;
  [[noreturn]] void EndProcess(int exitCode) override;
  void SetButtonEnabled(ButtonSlot slot, bool enabled) override { buttons[slot] = enabled; }
  void RepaintPlot() override { ++plotRepaints; }
  void ErasePolygon(int i) override { erased.push_back(i); }
  void DrawPolygon(int i) override { drawn.push_back(i); }
  Answer AskYesNoCancel(const char* caption, const char* text) override;
  bool AskOkCancel(const char* caption, const char* text) override;
  bool AskValue(const char* dialog, std::string& value) override;
  bool AskChoice(const char* title, const char* text, const std::vector<std::string>& items,
                 std::vector<bool>& chosen) override;
  bool AskOpenFile(const char* title, const char* filter, std::string& name) override;
  bool AskSaveFile(const char* title, const char* filter, std::string& name) override;
  void PutClipboardText(const std::string& text) override { clipboard = text; }
  bool GetClipboardText(std::string& text) override {
    text = clipboard;
    return !clipboard.empty();
  }
  bool TakeDroppedFile(std::string& name) override;
  bool StartHelp() override { return helpStarts; }
  void ShowTextFile(const char* name) override { shownFiles.emplace_back(name); }
  void Beep() override { ++beeps; }
  void ShowWarning(const char* caption, const char* text) override { warnings.push_back(Box{0, caption, text}); }

  // Long work hands over its pending input: counted, and when stopOnStatus
  // is set and a status text beginning with it has been shown, the user asks
  // the work to stop (as Escape does in the window).
  std::string stopOnStatus;
  int responsiveCalls = 0;
  void KeepResponsive() override;

  std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }
  bool SawStatus(const std::string& text) const;
};

}  // namespace kestrel::testing
