#include "cli/console_frontend.h"

#include <unistd.h>

#include <cstdio>

#include "app/report.h"
#include "store/store.h"

namespace kestrel {

void ConsoleFrontEnd::StatusChanged(bool) {
  if (statusText[0]) std::fprintf(stderr, "%s\n", statusText);
}

bool ConsoleFrontEnd::NotifyBox(int code, const char*, const char* text) {
  std::fprintf(stderr, "non-fatal error code %i: %s\n", code, text);
  return true;
}

void ConsoleFrontEnd::AbortBox(int code, const char*, const char* text) {
  std::fprintf(stderr, "Fatal Error Code %i: %s\n", code, text);
}

void ConsoleFrontEnd::FatalExit(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  std::fflush(nullptr);
  _exit(kAbortExitCode);
}

void ConsoleFrontEnd::EndProcess(int exitCode) {
  std::fflush(stderr);
  _exit(exitCode);
}

Answer ConsoleFrontEnd::AskYesNoCancel(const char* caption, const char* text) {
  const char* word = questionAnswer == Answer::Yes ? "yes" : questionAnswer == Answer::No ? "no" : "cancel";
  std::fprintf(stderr, "%s: %s -> %s\n", caption, text, word);
  return questionAnswer;
}

bool ConsoleFrontEnd::AskOkCancel(const char* caption, const char* text) {
  const bool ok = questionAnswer == Answer::Yes;
  std::fprintf(stderr, "%s: %s -> %s\n", caption, text, ok ? "OK" : "cancel");
  return ok;
}

bool ConsoleFrontEnd::AskValue(const char*, std::string&) { return false; }

// Nobody to ask: the choice stays as offered.
bool ConsoleFrontEnd::AskChoice(const char* title, const char* text, const std::vector<std::string>&,
                                std::vector<bool>&) {
  std::fprintf(stderr, "%s: %s -> as offered\n", title, text);
  return true;
}
bool ConsoleFrontEnd::AskOpenFile(const char*, const char*, std::string&) { return false; }
bool ConsoleFrontEnd::AskSaveFile(const char*, const char*, std::string&) { return false; }

void ConsoleFrontEnd::PutClipboardText(const std::string& text) { clipboard_ = text; }

bool ConsoleFrontEnd::GetClipboardText(std::string& text) {
  text = clipboard_;
  return !clipboard_.empty();
}

}  // namespace kestrel
