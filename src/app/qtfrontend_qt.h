// The window front end: message boxes, dialogs, the clipboard, the help
// window and the plot's drawing, for the logic's requests.
#pragma once

#include <QPointer>

#include "app/frontend.h"

class QTextBrowser;
class QWidget;

namespace kestrel {

class MainWindow;
class MessageLogWindow;

class QtFrontEnd : public FrontEnd {
 public:
  // The main window the requests go to; boxes work before it exists.
  void Attach(MainWindow* window) { window_ = window; }

  void StatusChanged(bool now) override;
  bool NotifyBox(int code, const char* caption, const char* text) override;
  void AbortBox(int code, const char* caption, const char* text) override;
  [[noreturn]] void FatalExit(const char* text) override;
  [[noreturn]] void EndProcess(int exitCode) override;
  void SetButtonEnabled(ButtonSlot slot, bool enabled) override;
  void RepaintPlot() override;
  void ErasePolygon(int index) override;
  void DrawPolygon(int index) override;
  void InvertLine(int x1, int y1, int x2, int y2) override;
  void InvertRectangle(int left, int top, int right, int bottom) override;
  void SetWindowText(WindowId window, const char* text) override;
  void PostCommand(int command) override;
  void FocusMainWindow() override;
  void Quit(int exitCode) override;
  void ShowWarning(const char* caption, const char* text) override;
  Answer AskYesNoCancel(const char* caption, const char* text) override;
  bool AskOkCancel(const char* caption, const char* text) override;
  bool AskValue(const char* dialog, std::string& value) override;
  bool AskChoice(const char* title, const char* text, const std::vector<std::string>& items,
                 std::vector<bool>& chosen) override;
  bool AskOpenFile(const char* title, const char* filter, std::string& name) override;
  bool AskSaveFile(const char* title, const char* filter, std::string& name) override;
  void PutClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string& text) override;
  bool StartHelp() override;
  void ShowTextFile(const char* name) override;
  void Beep() override;
  void MessageLogged(bool added) override;
  void ShowMessageLog() override;
  bool TakeDroppedFile(std::string& name) override;
  void KeepResponsive() override;

  int beeps() const { return beeps_; }
  QTextBrowser* helpWindow() const;
  MessageLogWindow* logWindow() const;

 private:
  // Shows a side window beside the main window without taking the keyboard.
  void ShowBeside(QWidget* side, bool top);

  MainWindow* window_ = nullptr;
  QPointer<QTextBrowser> help_;
  QPointer<MessageLogWindow> log_;
  int beeps_ = 0;
};

}  // namespace kestrel
