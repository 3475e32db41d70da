// What every benchmark program needs: a front end that shows nothing, and a
// scratch folder for the files the steps write.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frontend.h"

namespace kestrel::bench {

// Answers nothing and shows nothing; a message box goes to stderr so that a
// benchmark that trips over one says so.
class SilentFrontEnd : public FrontEnd {
 public:
  void StatusChanged(bool) override {}
  bool NotifyBox(int, const char*, const char* text) override {
    std::fprintf(stderr, "%s\n", text);
    return true;
  }
  void AbortBox(int, const char*, const char* text) override { std::fprintf(stderr, "fatal: %s\n", text); }
  [[noreturn]] void FatalExit(const char* text) override {
    std::fprintf(stderr, "%s\n", text);
    std::exit(2);
  }
  [[noreturn]] void EndProcess(int code) override { std::exit(code); }
  Answer AskYesNoCancel(const char*, const char*) override { return Answer::Cancel; }
  bool AskOkCancel(const char*, const char* text) override {
    std::fprintf(stderr, "%s\n", text);
    return false;
  }
  bool AskValue(const char*, std::string&) override { return false; }
  bool AskOpenFile(const char*, const char*, std::string&) override { return false; }
  bool AskSaveFile(const char*, const char*, std::string&) override { return false; }
  void PutClipboardText(const std::string&) override {}
  bool GetClipboardText(std::string&) override { return false; }
};

// Moves into a fresh folder under the system's temporary folder.
inline void EnterScratchFolder(const char* name) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(dir);
  if (chdir(dir.c_str()) != 0) std::perror("can't enter the scratch folder");
}

}  // namespace kestrel::bench
