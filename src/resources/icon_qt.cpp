#include "resources/icon_qt.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace kestrel {

QImage ProgramIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(QColor(255, 255, 255));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  // Drawn on a 32-unit square, scaled to the size asked for.
  p.scale(size / 32.0, size / 32.0);
  const double pi = std::acos(-1.0);
  p.setPen(QPen(QColor(0, 0, 160), 1.2));
  for (int k = 0; k <= 4; ++k) {
    const double r = 10 + 4.5 * k;
    p.drawArc(QRectF(-r, 32 - r, 2 * r, 2 * r), 0, 90 * 16);
  }
  for (int k = 0; k <= 4; ++k) {
    const double a = k * 22.5 * pi / 180;
    p.drawLine(QPointF(10 * std::cos(a), 32 - 10 * std::sin(a)), QPointF(28 * std::cos(a), 32 - 28 * std::sin(a)));
  }
  p.setPen(QPen(QColor(160, 60, 20), 2));
  p.drawRect(QRectF(1, 1, 30, 30));
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : kIconSizes) icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
  return icon;
}

}  // namespace kestrel
