#include "view/plot_qt.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/dispatch.h"
#include "app/frontend.h"
#include "depth/celldepth.h"
#include "formats/decimal.h"
#include "grid/gridstore.h"
#include "grid/quality.h"
#include "link/link.h"
#include "store/store.h"
#include "view/depthview.h"
#include "view/mouse.h"
#include "view/pens.h"
#include "view/view.h"

namespace kestrel {

namespace {

// The fills of the quality view: orthogonality deviation below 1, 3 and 10
// degrees and above, and folded cells.
const QColor kBandColours[4] = {QColor(0, 160, 0), QColor(230, 220, 0), QColor(255, 140, 0), QColor(220, 0, 0)};
const QColor kFoldedColour(255, 0, 255);

QPen OnePixelPen(const QColor& colour) {
  QPen pen(colour);
  pen.setWidth(1);
  pen.setCosmetic(true);
  return pen;
}

// Pixel positions stay in floating point on their way to the painter: far
// outside the plot they need not fit an int, and the painter clips them.
QPointF PixelOf(double x, double y) {
  const Pixel px = WorldToPixel(x, y);
  return QPointF(static_cast<double>(px.column), static_cast<double>(px.row));
}
QPointF PixelOf(const PolygonPoint& p) { return PixelOf(p.x, p.y); }

// The 7 x 7 square around a point's pixel.
QRectF MarkSquare(const QPointF& p) { return QRectF(p.x() - 3, p.y() - 3, 6, 6); }

// The depths the depth view paints with, fetched once for each drawing.
const DepthField* paintedDepths = nullptr;
bool drawingAll = false;  // a full drawing has fetched them already

QColor DepthFill(double depth) {
  const Rgb c = DepthColour(depth, paintedDepths->shallowest, paintedDepths->deepest);
  return QColor(c.r, c.g, c.b);
}

// The depth of cell (i, j) of polygon `index` in the depth view, or null.
const CellDepth* PaintedDepth(int32_t index, int32_t i, int32_t j) {
  if (!paintedDepths || index < 0 || static_cast<size_t>(index) >= paintedDepths->cells.size()) return nullptr;
  const std::vector<CellDepth>& cells = paintedDepths->cells[index];
  const size_t at = static_cast<size_t>(j) * grids.ni[index] + i;
  if (at >= cells.size() || cells[at].method == DepthMethod::None) return nullptr;
  return &cells[at];
}

// Fetches the depths for the depth view without working them out: when they
// are still to be worked out, a command is queued that does it and paints.
void FetchPaintedDepths() {
  paintedDepths = nullptr;
  if (!depthView || !gridsValid) return;
  paintedDepths = CurrentDepths(true);
  if (!paintedDepths && DepthsPending()) UI().PostCommand(kCmdRefreshDepths);
}

// Whether step 2 found that polygon `index` shares an edge with another patch.
bool HasLinkedNeighbour(int32_t index) {
  return links.hasNeighbour && index >= 0 && index < links.slotCount && links.hasNeighbour[index] != 0;
}

// The polyline through all stored points, its last pixel included.
void DrawOutline(QPainter& painter, const Polygon& polygon) {
  QPolygonF line(polygon.count);
  for (int32_t k = 0; k < polygon.count; ++k) line[k] = PixelOf(polygon.points[k]);
  painter.drawPolyline(line);
  painter.drawPoint(line[polygon.count - 1]);
}

}  // namespace

QColor PenColor(int color) { return QColor(PenRed(color), PenGreen(color), PenBlue(color)); }

void DrawVisiblePolygons(QPainter& painter) {
  FetchPaintedDepths();
  drawingAll = true;
  const double left = view.originX;
  const double right = view.originX + view.plotWidth * view.scale;
  const double top = view.originY;
  const double bottom = view.originY - view.plotHeight * view.scale;
  for (int32_t k = 0; k < store.polygonCount; ++k) {
    const Polygon& p = PolygonAt(k);
    if (p.xmin > right || p.xmax < left || p.ymin > top || p.ymax < bottom) continue;
    DrawPolygonOn(painter, k);
  }
  drawingAll = false;
}

void DrawPolygonOn(QPainter& painter, int32_t index) {
  const Polygon& polygon = PolygonAt(index);
  painter.setBrush(Qt::NoBrush);
  if (gridsValid) {
    if (IsMaskPolygon(index)) return;
    if (!drawingAll) paintedDepths = depthView ? CurrentDepths(true) : nullptr;
    if (index >= grids.patchCount || !grids.x || !grids.x[index]) return;
    const bool white = linksValid && HasLinkedNeighbour(index);
    painter.setPen(OnePixelPen(white ? QColor(Qt::white) : PenColor(polygon.color)));
    for (int32_t i = 0; i < grids.ni[index]; ++i) {
      for (int32_t j = 0; j < grids.nj[index]; ++j) DrawGridCell(painter, index, i, j);
    }
    painter.setBrush(Qt::NoBrush);
    return;
  }
  if (polygon.count < 1) return;
  painter.setPen(OnePixelPen(polygon.selection ? QColor(Qt::white) : PenColor(polygon.color)));
  if (polygon.count == 1) {
    painter.drawEllipse(MarkSquare(PixelOf(polygon.points[0])));
  } else {
    DrawOutline(painter, polygon);
  }
  if (polygon.selection && polygon.count - polygon.closed > 0) {
    for (int32_t k = 0; k < polygon.count - polygon.closed; ++k) {
      const bool selected = polygon.selection == k - polygon.count;
      painter.setBrush(selected ? Qt::white : Qt::black);
      painter.drawRect(MarkSquare(PixelOf(polygon.points[k])));
    }
    painter.setBrush(Qt::NoBrush);
  }
}

void ErasePolygonOn(QPainter& painter, int32_t index) {
  const Polygon& polygon = PolygonAt(index);
  if (polygon.count < 1) return;
  painter.setPen(OnePixelPen(Qt::black));
  painter.setBrush(Qt::black);
  DrawOutline(painter, polygon);
  if (polygon.selection && polygon.count - polygon.closed > 0) {
    for (int32_t k = 0; k < polygon.count - polygon.closed; ++k)
      painter.drawRect(MarkSquare(PixelOf(polygon.points[k])));
  }
  painter.setBrush(Qt::NoBrush);
}

void DrawGridCell(QPainter& painter, int32_t index, int32_t i, int32_t j) {
  if (!IsActiveCell(index, i, j)) return;
  const int32_t ni = grids.ni[index];
  const double* x = grids.x[index];
  const double* y = grids.y[index];
  const int32_t nodes[4] = {NodeIndex(ni, i, j), NodeIndex(ni, i, j + 1), NodeIndex(ni, i + 1, j + 1),
                            NodeIndex(ni, i + 1, j)};
  QPolygonF cell(5);
  for (int k = 0; k < 4; ++k) cell[k] = PixelOf(x[nodes[k]], y[nodes[k]]);
  cell[4] = cell[0];
  if (const CellDepth* depth = depthView ? PaintedDepth(index, i, j) : nullptr) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(DepthFill(depth->depth));
    painter.drawPolygon(cell);
    painter.restore();
  } else if (qualityView) {
    // Corners in the order P00, P10, P11, P01 for the measures.
    const double cx[4] = {x[nodes[0]], x[nodes[3]], x[nodes[2]], x[nodes[1]]};
    const double cy[4] = {y[nodes[0]], y[nodes[3]], y[nodes[2]], y[nodes[1]]};
    const CellQuality q = MeasureCell(cx, cy);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(q.folded ? kFoldedColour : kBandColours[OrthogonalityBand(q.orthogonality)]);
    painter.drawPolygon(cell);
    painter.restore();
  }
  painter.drawPolyline(cell);
}

void DrawDepthLegend(QPainter& painter, int width) {
  if (!depthView || !paintedDepths) return;
  // A ramp at the top right, shallowest at the top, with its depths beside it.
  const int rampHeight = 120, rampWidth = 14, margin = 10;
  const QFontMetrics metrics = painter.fontMetrics();
  const QString top = QString::fromStdString(FixedDecimal(paintedDepths->shallowest, 2) + " m");
  const QString middle =
      QString::fromStdString(FixedDecimal((paintedDepths->shallowest + paintedDepths->deepest) * 0.5, 2) + " m");
  const QString bottom = QString::fromStdString(FixedDecimal(paintedDepths->deepest, 2) + " m");
  const QString title = QStringLiteral("depth");
  const int textWidth = std::max({metrics.horizontalAdvance(top), metrics.horizontalAdvance(middle),
                                  metrics.horizontalAdvance(bottom), metrics.horizontalAdvance(title)});
  const int boxWidth = rampWidth + textWidth + 18, boxHeight = rampHeight + metrics.height() + 20;
  const QRect box(width - margin - boxWidth, margin, boxWidth, boxHeight);
  painter.save();
  painter.setPen(OnePixelPen(Qt::white));
  painter.setBrush(Qt::black);
  painter.drawRect(box);
  painter.drawText(box.left() + 6, box.top() + 4 + metrics.ascent(), title);
  const int rampLeft = box.left() + 6, rampTop = box.top() + 10 + metrics.height();
  painter.setPen(Qt::NoPen);
  for (int row = 0; row < rampHeight; ++row) {
    const double t = static_cast<double>(row) / (rampHeight - 1);
    const Rgb c = DepthColour(t, 0, 1);
    painter.setBrush(QColor(c.r, c.g, c.b));
    painter.drawRect(rampLeft, rampTop + row, rampWidth, 1);
  }
  painter.setPen(OnePixelPen(Qt::white));
  const int textLeft = rampLeft + rampWidth + 6;
  painter.drawText(textLeft, rampTop + metrics.ascent() / 2, top);
  painter.drawText(textLeft, rampTop + rampHeight / 2 + metrics.ascent() / 2, middle);
  painter.drawText(textLeft, rampTop + rampHeight - 1 + metrics.ascent() / 2, bottom);
  painter.restore();
}

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

const QImage& PlotWidget::Image() {
  if (stale_) RedrawNow();
  return image_;
}

void PlotWidget::Invalidate() {
  stale_ = true;
  update();
}

void PlotWidget::RedrawNow() {
  if (image_.size() != size()) image_ = QImage(size(), QImage::Format_RGB32);
  stale_ = false;
  if (image_.isNull()) return;
  ++fullRedraws_;
  image_.fill(Qt::black);
  QPainter painter(&image_);
  DrawVisiblePolygons(painter);
  DrawDepthLegend(painter, image_.width());
  update();
}

void PlotWidget::ErasePolygon(int32_t index) {
  Image();
  if (image_.isNull()) return;
  QPainter painter(&image_);
  ErasePolygonOn(painter, index);
  update();
}

void PlotWidget::DrawPolygon(int32_t index) {
  Image();
  if (image_.isNull()) return;
  QPainter painter(&image_);
  DrawPolygonOn(painter, index);
  update();
}

void PlotWidget::InvertLine(int x1, int y1, int x2, int y2) {
  Image();
  if (image_.isNull()) return;
  QPainter painter(&image_);
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(OnePixelPen(Qt::white));
  painter.drawLine(x1, y1, x2, y2);
  update();
}

void PlotWidget::InvertRectangle(int left, int top, int right, int bottom) {
  Image();
  if (image_.isNull()) return;
  QPainter painter(&image_);
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(OnePixelPen(Qt::white));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(0, 0, -1, -1));
  update();
}

void PlotWidget::paintEvent(QPaintEvent*) {
  const QImage& image = Image();
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void PlotWidget::resizeEvent(QResizeEvent*) {
  image_ = QImage(size(), QImage::Format_RGB32);
  stale_ = true;
}

namespace {

int32_t ModifierFlags(Qt::KeyboardModifiers modifiers) {
  int32_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= kMouseShift;
  if (modifiers & Qt::ControlModifier) flags |= kMouseCtrl;
  return flags;
}

Qt::MouseButton QtButtonOf(int32_t gestureButton) {
  if (gestureButton == kMouseLeft) return Qt::LeftButton;
  if (gestureButton == kMouseRight) return Qt::RightButton;
  return Qt::NoButton;
}

}  // namespace

void PlotWidget::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (!isVisible()) return;
  const Qt::MouseButton button = event->button();
  if (button != Qt::LeftButton && button != Qt::RightButton) return;
  const Qt::MouseButton current = QtButtonOf(GestureButton());
  if (current != Qt::NoButton) {
    // One gesture at a time: the other button waits until it ends. A gesture
    // whose button is no longer held lost its release (to a box, say); the
    // new press replaces it and the repaint clears its rubber shape.
    if (event->buttons() & current) return;
    Invalidate();
  }
  const QPoint at = event->position().toPoint();
  const int32_t flags = ModifierFlags(event->modifiers());
  if (button == Qt::LeftButton) {
    LeftDown(flags | kMouseLeft, at.x(), at.y());
  } else {
    RightDown(flags | kMouseRight, at.x(), at.y());
  }
  grabMouse();
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!isVisible()) return;
  const QPoint at = event->position().toPoint();
  const Qt::MouseButtons held = event->buttons();
  // The drag goes to the gesture's own button, even when the other one is
  // held as well.
  const int32_t button = GestureButton();
  if (button == kMouseLeft && (held & Qt::LeftButton)) {
    LeftDrag(at.x(), at.y());
  } else if (button == kMouseRight && (held & Qt::RightButton)) {
    RightDrag(at.x(), at.y());
  }
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (isVisible()) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
      LeftUp(at.x(), at.y());
    } else if (event->button() == Qt::RightButton) {
      RightUp(at.x(), at.y());
    }
  }
  if (GestureButton() == 0 && mouseGrabber() == this) releaseMouse();
}

}  // namespace kestrel
