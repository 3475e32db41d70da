// The one seam between the logic and the user interface.
//
// The logic (store, edit, formats, grid, link, model and the view transform)
// never touches a window. Everything it needs from the user interface goes
// through the operations of FrontEnd below. Three front ends implement them:
// the Qt window, the console of kestrel-grid and the scripted one of the tests.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

// Answers of the question boxes.
enum class Answer { Yes, No, Cancel };

// The tool buttons, in the slot order of the button column.
enum ButtonSlot {
  kSlotOpen,
  kSlotSave,
  kSlotUndo,
  kSlotSplit,
  kSlotJoin,
  kSlotSmooth,
  kSlotSpace,
  kSlotFive,
  kSlotGrid,
  kSlotLink,
  kSlotCell,
  kSlotFile,
  kSlotZoomOut,
  kSlotZoomIn,
  kSlotZoomAll,
  kSlotHelp,
  kButtonCount
};

// Windows whose text the logic may set.
enum class WindowId { Main, Plot, Status };

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // The status line text (statusText) has changed. When `now` is set the
  // caller is in the middle of long work and the line must be painted at once.
  virtual void StatusChanged(bool now) = 0;

  // The recoverable-failure box: OK and Cancel. Returns true for OK.
  virtual bool NotifyBox(int code, const char* caption, const char* text) = 0;

  // The fatal box. When it returns, the caller ends the process.
  virtual void AbortBox(int code, const char* caption, const char* text) = 0;

  // A reporter's own buffer overflowed: end at once with this fixed text.
  [[noreturn]] virtual void FatalExit(const char* text) = 0;

  // Ends the process at once (Cancel of a Notify box).
  [[noreturn]] virtual void EndProcess(int exitCode) = 0;

  // One tool button's enabled state.
  virtual void SetButtonEnabled(ButtonSlot, bool) {}

  // Redraw the whole plot.
  virtual void RepaintPlot() {}

  // Erase one polygon (draw it in the background colour) or draw it with its
  // pen and point marks, in place, without a full repaint.
  virtual void ErasePolygon(int) {}
  virtual void DrawPolygon(int) {}

  // Invert-mode lines in the plot (rubber bands): every pixel under the line
  // becomes its inverse, so drawing the same shape twice restores the plot.
  // The rectangle's corners come ordered (left <= right, top <= bottom).
  virtual void InvertLine(int, int, int, int) {}
  virtual void InvertRectangle(int, int, int, int) {}

  virtual void SetWindowText(WindowId, const char*) {}

  // Queues a command for the main window; it runs when the event loop reaches
  // it, after the current command has finished.
  virtual void PostCommand(int) {}
  // Gives the keyboard focus back to the main window.
  virtual void FocusMainWindow() {}
  // Ends the event loop; the program then cleans up and exits with the code.
  virtual void Quit(int) {}
  // A warning box with an OK button only.
  virtual void ShowWarning(const char*, const char*) {}

  // Question boxes.
  virtual Answer AskYesNoCancel(const char* caption, const char* text) = 0;
  virtual bool AskOkCancel(const char* caption, const char* text) = 0;

  // A one-value dialog (one edit field, OK and Cancel). `value` holds the
  // text shown at first and receives the text entered. Returns false on Cancel.
  virtual bool AskValue(const char* dialog, std::string& value) = 0;

  // A list choice (one check box per item, OK and Cancel): `chosen` holds one
  // entry per item, the items ticked at first, and receives the user's ticks.
  // Returns false on Cancel. Without a dialog the choice stays as offered.
  virtual bool AskChoice(const char* /*title*/, const char* /*text*/, const std::vector<std::string>& /*items*/,
                         std::vector<bool>& /*chosen*/) {
    return true;
  }

  // File dialogs: return false when the user ends them without a name.
  // `filter` lists description/pattern pairs separated by '|', e.g.
  // "Polygons (*.p?d)|*.p?d|All Files (*.*)|*.*"; the first pair is selected.
  virtual bool AskOpenFile(const char* title, const char* filter, std::string& name) = 0;
  virtual bool AskSaveFile(const char* title, const char* filter, std::string& name) = 0;

  // Clipboard text.
  virtual void PutClipboardText(const std::string& text) = 0;
  virtual bool GetClipboardText(std::string& text) = 0;

  // Starts the help viewer without waiting. Returns false when it cannot start.
  virtual bool StartHelp() { return false; }
  // Shows a text file (the cell map) and returns when the user has closed it.
  virtual void ShowTextFile(const char*) {}

  virtual void Beep() {}

  // The message log gained an entry (`added`) or its last entry changed; a
  // window showing the log follows it.
  virtual void MessageLogged(bool) {}
  // Shows the message log's window, leaving the keyboard with the main window.
  virtual void ShowMessageLog() {}
  // The name of the file last dropped on the window, handed over once.
  virtual bool TakeDroppedFile(std::string&) { return false; }

  // Long work (step 1) hands the user interface its pending input about ten
  // times a second, so that it can be asked to stop (grid/stop.h) and stays
  // painted. Nothing else may run meanwhile: no command, no edit.
  virtual void KeepResponsive() {}
};

// The front end in use. Set once at start-up (or by a test).
FrontEnd& UI();
void SetFrontEnd(FrontEnd* frontEnd);

}  // namespace kestrel
