#include "app/messagelog.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "app/frontend.h"

namespace kestrel {

MessageLog messageLog;

namespace {

// Whether two texts differ in their digits only ("42% reading a.p2d" and
// "43% reading a.p2d").
bool SameButNumbers(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      while (i < a.size() && digit(a[i])) ++i;
      while (j < b.size() && digit(b[j])) ++j;
    } else if (a[i++] != b[j++]) {
      return false;
    }
  }
  return i == a.size() && j == b.size();
}

void StampNow(LogEntry& entry) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  auto two = [](int v) { return static_cast<unsigned>(v) % 100u; };
  std::snprintf(entry.time, sizeof entry.time, "%02u:%02u:%02u", two(local.tm_hour), two(local.tm_min),
                two(local.tm_sec));
}

}  // namespace

LogChange LogMessage(LogSource source, const char* text) {
  if (!text || !*text) return LogChange::None;
  std::deque<LogEntry>& entries = messageLog.entries;
  if (!entries.empty()) {
    LogEntry& last = entries.back();
    if (last.text == text && last.source == source) {
      ++last.repeats;
      StampNow(last);
      return LogChange::LastChanged;
    }
    if (source == LogSource::Progress && last.source == LogSource::Progress && SameButNumbers(last.text, text)) {
      last.text = text;
      StampNow(last);
      return LogChange::LastChanged;
    }
  }
  if (entries.size() >= kMaxLogEntries) {
    entries.pop_front();
    ++messageLog.dropped;
  }
  entries.push_back(LogEntry{{}, text, 0, source});
  StampNow(entries.back());
  return LogChange::Added;
}

std::string LogEntryText(const LogEntry& entry) {
  std::string line = entry.time;
  line += "  ";
  for (const char c : entry.text) {
    line += c;
    if (c == '\n') line += "          ";  // under the text, past the time
  }
  if (entry.repeats > 0) line += " (" + std::to_string(entry.repeats + 1) + " times)";
  return line;
}

std::string MessageLogText() {
  std::string text;
  if (messageLog.dropped > 0) {
    text += "(" + std::to_string(messageLog.dropped) + " earlier messages are no longer kept)\n";
  }
  for (const LogEntry& entry : messageLog.entries) text += LogEntryText(entry) + "\n";
  return text;
}

void ResetMessageLog() {
  messageLog.entries.clear();
  messageLog.dropped = 0;
}

void ShowMessageLog() { UI().ShowMessageLog(); }

}  // namespace kestrel
