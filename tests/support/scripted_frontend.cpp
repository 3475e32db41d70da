#include "scripted_frontend.h"

#include <algorithm>

#include "grid/stop.h"
#include "store/store.h"

namespace kestrel::testing {

void ScriptedFrontEnd::StatusChanged(bool now) {
  statuses.emplace_back(statusText);
  statusesNow.push_back(now);
}

void ScriptedFrontEnd::KeepResponsive() {
  ++responsiveCalls;
  if (stopOnStatus.empty()) return;
  for (const std::string& s : statuses) {
    if (s.rfind(stopOnStatus, 0) == 0) {
      RequestStop();
      return;
    }
  }
}

bool ScriptedFrontEnd::NotifyBox(int code, const char* caption, const char* text) {
  notifications.push_back(Box{code, caption, text});
  if (notifyAnswers.empty()) return true;
  const bool ok = notifyAnswers.front();
  notifyAnswers.pop_front();
  return ok;
}

void ScriptedFrontEnd::AbortBox(int code, const char* caption, const char* text) {
  aborts.push_back(Box{code, caption, text});
  throw AbortCalled(code, caption, text);
}

void ScriptedFrontEnd::FatalExit(const char* text) { throw ProcessEnded(-1, text); }

void ScriptedFrontEnd::EndProcess(int exitCode) { throw ProcessEnded(exitCode, "process ended"); }

Answer ScriptedFrontEnd::AskYesNoCancel(const char* caption, const char* text) {
  questions.push_back(std::string(caption) + ": " + text);
  if (answers.empty()) return Answer::Cancel;
  const Answer a = answers.front();
  answers.pop_front();
  return a;
}

bool ScriptedFrontEnd::AskOkCancel(const char* caption, const char* text) {
  questions.push_back(std::string(caption) + ": " + text);
  if (okAnswers.empty()) return false;
  const bool ok = okAnswers.front();
  okAnswers.pop_front();
  return ok;
}

bool ScriptedFrontEnd::AskValue(const char*, std::string& value) {
  shownValues.push_back(value);
  if (values.empty()) return false;
  const std::optional<std::string> v = values.front();
  values.pop_front();
  if (!v) return false;
  value = *v;
  return true;
}

bool ScriptedFrontEnd::AskChoice(const char*, const char*, const std::vector<std::string>& items,
                                 std::vector<bool>& chosen) {
  choiceLists.push_back(items);
  if (choices.empty()) return true;
  const std::optional<std::vector<bool>> answer = choices.front();
  choices.pop_front();
  if (!answer) return false;
  chosen = *answer;
  return true;
}

namespace {
bool TakeName(std::deque<std::string>& names, std::string& name) {
  if (names.empty()) return false;
  name = names.front();
  names.pop_front();
  return !name.empty();
}
}  // namespace

bool ScriptedFrontEnd::AskOpenFile(const char*, const char*, std::string& name) { return TakeName(openNames, name); }
bool ScriptedFrontEnd::AskSaveFile(const char*, const char*, std::string& name) {
  saveProposals.push_back(name);
  return TakeName(saveNames, name);
}

bool ScriptedFrontEnd::TakeDroppedFile(std::string& name) { return TakeName(droppedNames, name); }

bool ScriptedFrontEnd::SawStatus(const std::string& text) const {
  return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
}

}  // namespace kestrel::testing
