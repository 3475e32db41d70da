// The message log: every message the program gives (status texts, the
// progress of long work, results and the error boxes), each with the time it
// came, kept until the program ends so that a result is not lost when the
// next mouse move rewrites the status line.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace kestrel {

// How a message reached the user.
enum class LogSource {
  Status,    // the status line
  Progress,  // the status line, painted at once during long work
  Box,       // a message box
};

struct LogEntry {
  char time[9];      // "hh:mm:ss", local time
  std::string text;  // may hold several lines
  int repeats;       // how many times more it came at once after the first
  LogSource source;
};

// At most this many entries are kept; beyond it the oldest go.
constexpr std::size_t kMaxLogEntries = 10000;

struct MessageLog {
  std::deque<LogEntry> entries;
  std::size_t dropped = 0;  // entries that went to make room
};

extern MessageLog messageLog;

// What LogMessage did with a message.
enum class LogChange { None, Added, LastChanged };

// Adds a message. An empty one is left out; one equal to the last entry
// counts as a repeat of it; a progress message that only counts on from the
// last one (the same text but for its numbers) takes that entry's place.
LogChange LogMessage(LogSource source, const char* text);

// An entry as the log shows it: its time, two blanks, its text (with
// "(N times)" when it repeated); further lines are indented under the first.
std::string LogEntryText(const LogEntry& entry);

// The whole log, one entry after another, each ending in a newline.
std::string MessageLogText();

void ResetMessageLog();

// Opens the log's window (Ctrl+L).
void ShowMessageLog();

}  // namespace kestrel
