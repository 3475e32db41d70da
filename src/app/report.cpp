#include "app/report.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/messagelog.h"
#include "formats/cnumbers.h"
#include "store/store.h"

namespace kestrel {

namespace {

FrontEnd* currentFrontEnd = nullptr;
AbortHook abortHook = nullptr;
CancelNoteHook cancelNote = nullptr;
CancelKeepHook cancelKeep = nullptr;

// Formats into `buffer` of `size` bytes; returns false when the text needs
// more than size - 1 characters.
bool FormatInto(char* buffer, std::size_t size, const char* format, va_list args) {
  int n = VFormatC(buffer, size, format, args);
  return n >= 0 && static_cast<std::size_t>(n) < size;
}

bool FormatInto(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool ok = FormatInto(buffer, size, format, args);
  va_end(args);
  return ok;
}

// Every message the user is given also goes to the message log.
void Record(LogSource source, const char* text) {
  const LogChange change = LogMessage(source, text);
  if (change != LogChange::None) UI().MessageLogged(change == LogChange::Added);
}

// A box's caption and text as one log entry.
void RecordBox(const char* caption, const char* text) {
  Record(LogSource::Box, (std::string(caption) + ": " + text).c_str());
}

}  // namespace

FrontEnd& UI() {
  if (!currentFrontEnd) {
    std::fputs("Kestrel: no user interface has been set up\n", stderr);
    std::_Exit(kAbortExitCode);
  }
  return *currentFrontEnd;
}

void SetFrontEnd(FrontEnd* frontEnd) { currentFrontEnd = frontEnd; }

void SetAbortHook(AbortHook hook) { abortHook = hook; }

void SetCancelHooks(CancelNoteHook note, CancelKeepHook keep) {
  cancelNote = note;
  cancelKeep = keep;
}

void Abort(int code, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  bool ok = FormatInto(text, sizeof text, format, args);
  va_end(args);
  if (!ok) UI().FatalExit("Abort(): buffer overflow");
  char caption[32];
  if (!FormatInto(caption, sizeof caption, "Fatal Error Code %i", code)) {
    UI().FatalExit("Abort(): header overflow");
  }
  RecordBox(caption, text);
  std::string shown = text;
  if (abortHook) {
    AbortHook hook = abortHook;
    abortHook = nullptr;  // never twice, even if the hook itself aborts
    const std::string note = hook();
    if (!note.empty()) shown += "\n\n" + note;
  }
  UI().AbortBox(code, caption, shown.c_str());
  std::fflush(nullptr);
  std::fclose(stdin);
  std::_Exit(kAbortExitCode);
}

int Notify(int code, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  bool ok = FormatInto(text, sizeof text, format, args);
  va_end(args);
  if (!ok) UI().FatalExit("Notify(): buffer overflow");
  char caption[32];
  if (!FormatInto(caption, sizeof caption, "non-fatal error code %i", code)) {
    UI().FatalExit("Notify(): header overflow");
  }
  const std::string note = cancelNote ? cancelNote() : std::string();
  const std::string shown = note.empty() ? std::string(text) : std::string(text) + "\n\n" + note;
  RecordBox(caption, shown.c_str());
  if (UI().NotifyBox(code, caption, shown.c_str())) return 1;  // OK
  if (!note.empty() && cancelKeep) {
    std::string said;
    switch (cancelKeep(said)) {
      case KeepResult::Saved:
        break;
      case KeepResult::SavedElsewhere:
        UI().ShowWarning(caption, said.c_str());
        break;
      case KeepResult::Failed:
        // Ending now would lose the polygons: the program goes on instead.
        said += "\nKestrel stays open, so that you can save them under another name.";
        UI().ShowWarning(caption, said.c_str());
        return 1;
    }
  }
  UI().EndProcess(0);
  return 0;  // not reached: the process has ended
}

void ShowStatus(const char* text, bool now) {
  std::snprintf(statusText, sizeof statusText, "%s", text ? text : "");
  Record(now ? LogSource::Progress : LogSource::Status, statusText);
  RepaintStatus(now);
}

void ShowStatusF(bool now, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VFormatC(statusText, sizeof statusText, format, args);
  va_end(args);
  Record(now ? LogSource::Progress : LogSource::Status, statusText);
  RepaintStatus(now);
}

void RepaintStatus(bool now) { UI().StatusChanged(now); }

void WindowText(WindowId window, const char* format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  bool ok = FormatInto(text, sizeof text, format, args);
  va_end(args);
  if (!ok) UI().FatalExit("WindowText(): buffer overflow");
  UI().SetWindowText(window, text);
}

namespace {

std::size_t blockLimit = kMaxBlockBytes;

// A zero-filled block of n * size bytes, or null (with errno set) when it is
// above the block limit or the system has no memory for it.
void* ZeroedBlock(std::size_t n, std::size_t size) {
  if (size != 0 && n > blockLimit / size) {
    errno = ENOMEM;
    return nullptr;
  }
  errno = 0;
  return std::calloc(n ? n : 1, size ? size : 1);
}

// Copies the first min(oldCount, newCount) elements of `old` into `block`
// and frees `old`.
void MoveInto(void* block, void* old, std::size_t oldCount, std::size_t newCount, std::size_t size) {
  if (old && oldCount > 0) {
    std::size_t keep = oldCount < newCount ? oldCount : newCount;
    std::memcpy(block, old, keep * size);
  }
  std::free(old);
}

}  // namespace

void SetBlockLimit(std::size_t bytes) { blockLimit = bytes < kMaxBlockBytes ? bytes : kMaxBlockBytes; }

std::size_t BlockLimit() { return blockLimit; }

void* AllocZeroed(int code, std::size_t n, std::size_t size) {
  void* block = ZeroedBlock(n, size);
  if (!block) {
    Abort(code, "can't allocate memory %lux%u=%lu bytes\nWin error code %li", static_cast<unsigned long>(n),
          static_cast<unsigned>(size), static_cast<unsigned long>(n * size), static_cast<long>(errno));
  }
  return block;
}

void* Reallocate(int code, void* old, std::size_t oldCount, std::size_t newCount, std::size_t size) {
  void* block = ZeroedBlock(newCount, size);
  if (!block) {
    Abort(code, "can't reallocate memory %lux%u=%lu -> %lux%u=%lu bytes\nWin error code %li",
          static_cast<unsigned long>(oldCount), static_cast<unsigned>(size),
          static_cast<unsigned long>(oldCount * size), static_cast<unsigned long>(newCount),
          static_cast<unsigned>(size), static_cast<unsigned long>(newCount * size), static_cast<long>(errno));
  }
  MoveInto(block, old, oldCount, newCount, size);
  return block;
}

void* TryAllocZeroed(std::size_t n, std::size_t size) { return ZeroedBlock(n, size); }

void* TryReallocate(void* old, std::size_t oldCount, std::size_t newCount, std::size_t size) {
  void* block = ZeroedBlock(newCount, size);
  if (block) MoveInto(block, old, oldCount, newCount, size);
  return block;
}

void FreeBlock(void* block) { std::free(block); }

}  // namespace kestrel
