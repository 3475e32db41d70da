// Kestrel, the window program.
//
//   kestrel            the open dialog comes first
//   kestrel FILE       FILE is read, fitted into the view and gridded
//   kestrel FILE x     as above, then the window is written to Kestrel.bmp
//                      and the program ends with exit code 0; without a
//                      display the window is drawn off the screen
//   kestrel --help, kestrel --version
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>
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
  switch (FindInfoRequest(argc, args.data())) {
    case InfoRequest::Help:
      std::fputs(kWindowUsage, stdout);
      return 0;
    case InfoRequest::Version:
      std::puts("kestrel (Kestrel) " KESTREL_VERSION);
      return 0;
    case InfoRequest::None:
      break;
  }
  const bool capture = argc > 2;
  const PlatformChoice platform =
      ChoosePlatform(capture, std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
  if (platform.needsDisplay) {
    std::fputs(kNeedsDisplay, stderr);
    return 1;
  }
  // Qt sees only the program name and the platform: no argument of the user
  // is taken as one of its options.
  std::vector<char*> qtArgs{argv[0]};
  std::string platformOption = "-platform", platforms = platform.platforms;
  if (!platforms.empty()) {
    qtArgs.push_back(platformOption.data());
    qtArgs.push_back(platforms.data());
  }
  qtArgs.push_back(nullptr);
  int qtArgc = static_cast<int>(qtArgs.size()) - 1;
  QApplication app(qtArgc, qtArgs.data());
  app.setQuitOnLastWindowClosed(false);
  if (!capture && !platform.platforms.empty() && QGuiApplication::platformName() == QLatin1String("offscreen")) {
    // The display named did not answer; Qt fell back to drawing off the screen.
    std::fputs(kNeedsDisplay, stderr);
    return 1;
  }

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
