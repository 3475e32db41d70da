// The main window: sixteen icon buttons in a column, the plot and the status
// line, each placed by hand at the rectangle the layout gives. Commands reach
// it as posted events; every key pressed in it goes through the keyboard
// table instead of reaching a widget.
#pragma once

#include <QEvent>
#include <QWidget>
#include <cstdint>
#include <string>

#include "app/frontend.h"

namespace kestrel {

class PlotWidget;

// A command posted to the main window.
class CommandEvent : public QEvent {
 public:
  explicit CommandEvent(int command) : QEvent(Type()), command_(command) {}
  int command() const { return command_; }
  static QEvent::Type Type();

 private:
  int command_;
};

class IconButton : public QWidget {
 public:
  IconButton(QWidget* parent, int slot, const uint8_t* bitmap);

  int slot() const { return slot_; }
  uint32_t state() const { return state_; }
  bool IsEnabled() const;
  void SetEnabled(bool enabled);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  int slot_;
  uint32_t state_;  // command, pressed and enabled bits
  const uint8_t* bitmap_;
};

class StatusLine : public QWidget {
 public:
  explicit StatusLine(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
};

class MainWindow : public QWidget {
 public:
  MainWindow();

  PlotWidget* plot() const { return plot_; }
  StatusLine* status() const { return status_; }
  IconButton* button(int slot) const { return buttons_[slot]; }

  // Places every child for a client area of width x height (below 8: the
  // current client size), stores the plot size in the view and zooms all.
  void LayoutWindows(int width, int height);

  // The name of the file last dropped on the window, handed over once.
  bool TakeDroppedFile(std::string& name);

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // One file dropped on the window is opened like Open opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::string droppedFile_;
  bool layoutPending_ = false;  // a resize waits for step 1 to end
  PlotWidget* plot_;
  StatusLine* status_;
  IconButton* buttons_[kButtonCount];
};

// The application-wide event filter: keys pressed in the main window (outside
// modal dialogs) become accelerator ids for the dispatcher and are swallowed;
// mouse moves over the main window's parts update the status line. While
// step 1 works, Escape stops it and all other input to the window is
// swallowed.
class KeyboardAndHoverFilter : public QObject {
 public:
  explicit KeyboardAndHoverFilter(MainWindow* window) : window_(window) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainWindow* window_;
};

// Marks a window of the program beside the main one (the manual, the message
// log): keys pressed in it that run commands go to the main window, except
// those it reads itself (scrolling, selecting and copying its text).
void PassCommandKeysToMainWindow(QWidget* side);

// The keyboard table's key and modifiers for a Qt key event.
int KeyFromQt(int qtKey);
int ModifiersFromQt(Qt::KeyboardModifiers modifiers);

// Writes the window as shown (with its frame where the platform gives it) to
// the capture file.
void CaptureWindow(MainWindow& window);

}  // namespace kestrel
