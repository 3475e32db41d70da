// Reporting at the three levels of the program, and the memory helpers.
//
//  1. problems with what the user asked, progress and results: ShowStatus;
//  2. recoverable failures: Notify (OK carries on, Cancel ends the program);
//  3. impossible states and exhausted resources: Abort (the program ends).
#pragma once

#include <cstddef>
#include <string>

#include "app/frontend.h"

namespace kestrel {

// Exit code of a process ended by Abort. A fatal error must never look like
// success to whoever started the program.
constexpr int kAbortExitCode = 2;

[[noreturn]] void Abort(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));
int Notify(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Copies `text` (at most 511 characters) into statusText and repaints the
// status line; `now` forces the repaint during long work.
void ShowStatus(const char* text, bool now = false);
// Formats like printf into statusText (cut at 511 characters), then repaints.
void ShowStatusF(bool now, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Repaints the status line from statusText as it stands.
void RepaintStatus(bool now = false);

void WindowText(WindowId window, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A zero-filled block of n * size bytes; Abort with `code` on failure.
void* AllocZeroed(int code, std::size_t n, std::size_t size);
// A zero-filled block of newCount * size bytes holding the first
// min(oldCount, newCount) elements of `old`, which is freed.
void* Reallocate(int code, void* old, std::size_t oldCount, std::size_t newCount, std::size_t size);
void FreeBlock(void* block);

template <typename T>
T* AllocArray(int code, std::size_t n) {
  return static_cast<T*>(AllocZeroed(code, n, sizeof(T)));
}
template <typename T>
T* GrowArray(int code, T* old, std::size_t oldCount, std::size_t newCount) {
  return static_cast<T*>(Reallocate(code, old, oldCount, newCount, sizeof(T)));
}

// Runs once when Abort is about to show its box (the recovery of unsaved work
// hooks in here). What it returns is added to the box's text.
using AbortHook = std::string (*)();
void SetAbortHook(AbortHook hook);

// What Cancel of a Notify box does with unsaved work (the recovery hooks in
// here). `note` runs before the box is shown: what it returns is added to the
// box's text, and empty means that nothing would be lost. After Cancel, `keep`
// saves the work and says where in `said`; when it fails the program does not
// end (the box counts as OK), so that the work can still be saved.
enum class KeepResult { Saved, SavedElsewhere, Failed };
using CancelNoteHook = std::string (*)();
using CancelKeepHook = KeepResult (*)(std::string& said);
void SetCancelHooks(CancelNoteHook note, CancelKeepHook keep);

// Largest single block the helpers will ask the system for. Requests above it
// fail like an exhausted heap instead of letting the system over-commit.
constexpr std::size_t kMaxBlockBytes = std::size_t{16} << 30;

// The largest block the helpers hand out at present: kMaxBlockBytes unless
// lowered. Tests and the fuzz targets lower it to reach the refusals of absurd
// inputs without exhausting the machine; ResetProgramState restores it.
void SetBlockLimit(std::size_t bytes);
std::size_t BlockLimit();

// Like AllocZeroed and Reallocate, but a failure returns null (leaving `old`
// as it was) instead of ending the program. For growth that the content of an
// input drives, which its caller refuses with a message of its own.
void* TryAllocZeroed(std::size_t n, std::size_t size);
void* TryReallocate(void* old, std::size_t oldCount, std::size_t newCount, std::size_t size);

template <typename T>
T* TryAllocArray(std::size_t n) {
  return static_cast<T*>(TryAllocZeroed(n, sizeof(T)));
}
template <typename T>
T* TryGrowArray(T* old, std::size_t oldCount, std::size_t newCount) {
  return static_cast<T*>(TryReallocate(old, oldCount, newCount, sizeof(T)));
}

}  // namespace kestrel
