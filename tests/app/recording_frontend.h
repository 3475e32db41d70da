// The scripted front end, also recording what the window itself is asked
// for: posted commands, focus, quitting and warning boxes.
#pragma once

#include <string>
#include <vector>

#include "fixture.h"

namespace kestrel::testing {

class RecordingFrontEnd : public ScriptedFrontEnd {
 public:
  std::vector<int> posted;
  std::vector<int> quits;
  std::vector<std::string> proposedSaveNames;  // what each save dialog proposed
  int focusCalls = 0;

  void PostCommand(int command) override { posted.push_back(command); }
  void FocusMainWindow() override { ++focusCalls; }
  void Quit(int exitCode) override { quits.push_back(exitCode); }
  bool AskSaveFile(const char* title, const char* filter, std::string& name) override {
    proposedSaveNames.push_back(name);
    return ScriptedFrontEnd::AskSaveFile(title, filter, name);
  }
};

class RecordingTest : public KestrelTest {
 protected:
  RecordingFrontEnd rec;
  void SetUp() override {
    KestrelTest::SetUp();
    SetFrontEnd(&rec);
  }
};

}  // namespace kestrel::testing
