// The console front end of kestrel-grid: the status line and every box go to
// standard error, Notify is answered OK, questions by command-line flags.
#pragma once

#include <string>

#include "app/frontend.h"

namespace kestrel {

class ConsoleFrontEnd : public FrontEnd {
 public:
  // The answer given to every yes/no question (command-line flags set it).
  Answer questionAnswer = Answer::No;

  void StatusChanged(bool now) override;
  bool NotifyBox(int code, const char* caption, const char* text) override;
  void AbortBox(int code, const char* caption, const char* text) override;
  [[noreturn]] void FatalExit(const char* text) override;
  [[noreturn]] void EndProcess(int exitCode) override;
  Answer AskYesNoCancel(const char* caption, const char* text) override;
  bool AskOkCancel(const char* caption, const char* text) override;
  bool AskValue(const char* dialog, std::string& value) override;
  bool AskChoice(const char* title, const char* text, const std::vector<std::string>& items,
                 std::vector<bool>& chosen) override;
  bool AskOpenFile(const char* title, const char* filter, std::string& name) override;
  bool AskSaveFile(const char* title, const char* filter, std::string& name) override;
  void PutClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string& text) override;

 private:
  std::string clipboard_;
};

}  // namespace kestrel
