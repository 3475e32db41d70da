// The plot window: black background, every visible polygon as a polyline in
// its own colour, or as its grid cells once step 1 has run. Everything is
// drawn on the plot's own image (aliased, one-pixel pens); the widget shows
// the image.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

class QPainter;

namespace kestrel {

// The colour of pen `color` (0..11) of the pen table.
QColor PenColor(int color);

// Drawing on a painter over the plot's pixels.
void DrawVisiblePolygons(QPainter& painter);
void DrawPolygonOn(QPainter& painter, int32_t index);
void ErasePolygonOn(QPainter& painter, int32_t index);
void DrawGridCell(QPainter& painter, int32_t index, int32_t i, int32_t j);
// The depth view's legend at the top right of a plot `width` pixels wide.
void DrawDepthLegend(QPainter& painter, int width);

class PlotWidget : public QWidget {
 public:
  explicit PlotWidget(QWidget* parent);

  // The plot as shown, redrawn first when a full repaint is pending.
  const QImage& Image();

  // Asks for a full repaint: black, then every visible polygon.
  void Invalidate();
  // Redraws at once, without waiting for the event loop.
  void RedrawNow();

  void ErasePolygon(int32_t index);
  void DrawPolygon(int32_t index);
  void InvertLine(int x1, int y1, int x2, int y2);
  void InvertRectangle(int left, int top, int right, int bottom);

  // How many times the whole plot has been drawn (black, then every visible
  // polygon) since the widget was made.
  int fullRedraws() const { return fullRedraws_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // The mouse gestures: the plot keeps the mouse from a button-down to the
  // matching button-up, wherever the mouse goes meanwhile.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage image_;
  bool stale_ = true;
  int fullRedraws_ = 0;
};

}  // namespace kestrel
