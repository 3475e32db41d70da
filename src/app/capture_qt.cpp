#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "app/capture.h"
#include "app/mainwindow_qt.h"
#include "app/report.h"

namespace kestrel {

void CaptureWindow(MainWindow& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  QImage image;
  QScreen* screen = window.screen();
  // Off the screen there is no frame, only the window itself.
  const bool onScreen = QGuiApplication::platformName() != QLatin1String("offscreen");
  if (onScreen && frame != client && screen) {
    // A window manager draws the frame: take it from the screen, then the
    // client area from the window itself, which is current even where the
    // screen has not caught up yet.
    image = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
    if (!image.isNull()) {
      image = image.convertToFormat(QImage::Format_RGB32);
      QPainter painter(&image);
      painter.drawPixmap(client.topLeft() - frame.topLeft(), window.grab());
    }
  }
  if (image.isNull()) image = window.grab().toImage();
  if (image.isNull()) Abort(8906, "can't get device context\nerror code %i", 0);
  image = image.convertToFormat(QImage::Format_RGB32);
  WriteCaptureFile(kCaptureFileName, image.width(), image.height(),
                   reinterpret_cast<const uint32_t*>(image.constBits()), static_cast<int>(image.bytesPerLine() / 4));
}

}  // namespace kestrel
