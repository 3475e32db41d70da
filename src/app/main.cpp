// Kestrel, the window program.
//
//   kestrel            the open dialog comes first
//   kestrel FILE       FILE is read, fitted into the view and gridded
//   kestrel FILE x     as above, then the window is written to Kestrel.bmp
//                      and the program ends with exit code 0
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/buttons.h"
#include "app/mainwindow_qt.h"
#include "app/qtfrontend_qt.h"
#include "app/recovery.h"
#include "app/reset.h"
#include "app/startup.h"

namespace {

// Lets the window appear and paint before its pixels are taken.
void WaitUntilShown(kestrel::MainWindow& window) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 3000 && !(window.windowHandle() && window.windowHandle()->isExposed())) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  for (int k = 0; k < 5; ++k) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrel;
  const std::vector<const char*> args(argv, argv + argc);
  // Qt sees only the program name: no argument is taken as one of its options.
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  app.setQuitOnLastWindowClosed(false);

  static QtFrontEnd ui;
  SetFrontEnd(&ui);
  // A fatal error first saves unsaved polygons to a recovery file.
  EnableRecovery();
  MainWindow window;
  ui.Attach(&window);
  KeyboardAndHoverFilter filter(&window);
  app.installEventFilter(&filter);
  UpdateButtons();
  window.show();

  if (StartFromArguments(argc, args.data()) == StartMode::Capture) {
    WaitUntilShown(window);
    CaptureWindow(window);
    std::fflush(nullptr);
    std::_Exit(0);
  }

  const int exitCode = app.exec();
  app.removeEventFilter(&filter);
  ResetProgramState();
  SetFrontEnd(nullptr);
  return exitCode;
}
