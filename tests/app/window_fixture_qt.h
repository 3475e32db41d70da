// A real main window on the offscreen platform, with the window front end
// installed, and a spy that catches the commands posted to the window
// instead of running them.
#pragma once

#include <QApplication>
#include <QImage>
#include <memory>
#include <vector>

#include "app/buttons.h"
#include "app/mainwindow_qt.h"
#include "app/qtfrontend_qt.h"
#include "fixture.h"
#include "view/plot_qt.h"

namespace kestrel::testing {

class CommandSpy : public QObject {
 public:
  std::vector<int> commands;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != CommandEvent::Type()) return false;
    commands.push_back(static_cast<CommandEvent*>(event)->command());
    return true;
  }
};

class WindowTest : public KestrelTest {
 protected:
  QtFrontEnd qt;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<KeyboardAndHoverFilter> filter;
  CommandSpy spy;

  void SetUp() override {
    KestrelTest::SetUp();
    SetFrontEnd(&qt);
    window = std::make_unique<MainWindow>();
    qt.Attach(window.get());
    filter = std::make_unique<KeyboardAndHoverFilter>(window.get());
    qApp->installEventFilter(filter.get());
    window->installEventFilter(&spy);
    UpdateButtons();
    window->resize(1000, 700);
    window->show();
    Settle();
  }

  void TearDown() override {
    qApp->removeEventFilter(filter.get());
    qt.Attach(nullptr);
    window.reset();
    KestrelTest::TearDown();
  }

  static void Settle() {
    for (int k = 0; k < 3; ++k) QApplication::processEvents();
  }

  QImage Plot() { return window->plot()->Image(); }
};

inline QRgb RgbOf(int r, int g, int b) { return qRgb(r, g, b); }

}  // namespace kestrel::testing
