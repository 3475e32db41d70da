#include "app/mainwindow_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <cmath>
#include <cstring>

#include "app/dispatch.h"
#include "app/pixels.h"
#include "app/window.h"
#include "grid/stop.h"
#include "resources/bitmaps.h"
#include "resources/icon_qt.h"
#include "resources/keytable.h"
#include "store/store.h"
#include "view/plot_qt.h"
#include "view/view.h"

namespace kestrel {

namespace {

QCursor CursorFromArt(const char* name, Qt::CursorShape fallback) {
  const CursorArt* art = FindCursorArt(name);
  if (!art) return QCursor(fallback);
  QImage image(16, 16, QImage::Format_ARGB32);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const char c = art->rows[y][x];
      image.setPixel(x, y, c == '#' ? 0xFF000000u : c == 'w' ? 0xFFFFFFFFu : 0x00000000u);
    }
  }
  return QCursor(QPixmap::fromImage(image), art->hotX, art->hotY);
}

// The one local file a drag carries, or an empty name.
QString DraggedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return QString();
  const QUrl url = data->urls().first();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

const char* const kCommandKeysToMain = "kestrelCommandKeysToMain";

// Keys a side window reads itself rather than passing them on: paging
// through its text, and selecting and copying it.
bool SideWindowReadsKey(int key, int modifiers) {
  if (modifiers == 0) return key == kKeyPageUp || key == kKeyPageDown;
  return modifiers == kModCtrl && (key == 'A' || key == 'C');
}

PixelBuffer BufferOf(QImage& image) {
  return PixelBuffer{reinterpret_cast<uint32_t*>(image.bits()), image.width(), image.height(),
                     static_cast<int>(image.bytesPerLine() / 4)};
}

}  // namespace

QEvent::Type CommandEvent::Type() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

namespace {

// A layout put off until step 1 is done.
QEvent::Type LayoutEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

IconButton::IconButton(QWidget* parent, int slot, const uint8_t* bitmap)
    : QWidget(parent), slot_(slot), state_(static_cast<uint32_t>(kButtons[slot].command)), bitmap_(bitmap) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

bool IconButton::IsEnabled() const { return (state_ & kButtonEnabled) != 0; }

void IconButton::SetEnabled(bool enabled) {
  const uint32_t next = enabled ? state_ | kButtonEnabled : state_ & ~kButtonEnabled;
  if (next == state_) return;
  state_ = next;
  update();
}

void IconButton::paintEvent(QPaintEvent*) {
  QImage image(size(), QImage::Format_RGB32);
  if (image.isNull()) return;
  PixelBuffer buffer = BufferOf(image);
  PaintButton(buffer, state_, bitmap_);
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void IconButton::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !IsEnabled()) return;
  state_ |= kButtonPressed;
  repaint();
}

void IconButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !IsEnabled()) return;
  state_ &= ~kButtonPressed;
  repaint();
  // The command goes only when the button is released over itself.
  if (rect().contains(event->position().toPoint())) {
    UI().PostCommand(static_cast<int>(state_ & kButtonCommandMask));
  }
}

void IconButton::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

StatusLine::StatusLine(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void StatusLine::paintEvent(QPaintEvent*) {
  QImage image(size(), QImage::Format_RGB32);
  if (image.isNull()) return;
  PixelBuffer buffer = BufferOf(image);
  FillRect(buffer, Rect{0, 0, width(), height()}, kLightGrey);
  DrawEdge(buffer, Rect{0, 0, width(), height()}, true);
  if (statusText[0]) {
    QPainter text(&image);
    text.setFont(font());
    text.setPen(Qt::black);
    text.setClipRect(QRect(QPoint(4, 2), QPoint(width() - 8 - 1, height() - 4 - 1)));
    const int lineHeight = text.fontMetrics().height();
    text.drawText(QRect(4, (height() - lineHeight) / 2, width() * 4, lineHeight), Qt::AlignLeft | Qt::TextSingleLine,
                  QString::fromUtf8(statusText));
  }
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void StatusLine::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

MainWindow::MainWindow() : QWidget(nullptr), plot_(nullptr), status_(nullptr), buttons_{} {
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setWindowIcon(ProgramIcon());
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  QPalette face = palette();
  face.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(face);
  setAutoFillBackground(true);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  const QCursor arrow = CursorFromArt("ARR0W", Qt::ArrowCursor);
  setCursor(arrow);

  resize(kWindowWidth, kWindowHeight);
  if (QScreen* screen = QApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - kWindowWidth) / 2, area.y() + (area.height() - kWindowHeight) / 2);
  }

  plot_ = new PlotWidget(this);
  plot_->setCursor(CursorFromArt("CR0SS", Qt::CrossCursor));
  status_ = new StatusLine(this);
  status_->setCursor(arrow);
  for (const char* name : kBitmapLoadOrder) {
    const uint8_t* bitmap = LoadBitmapResource(name);
    for (int slot = 0; slot < kButtonCount; ++slot) {
      if (std::strcmp(kButtons[slot].bitmap, name) == 0) {
        buttons_[slot] = new IconButton(this, slot, bitmap);
        buttons_[slot]->setCursor(arrow);
      }
    }
  }
}

void MainWindow::LayoutWindows(int width, int height) {
  if (isMinimized() || !plot_) return;
  if (width < 8 || height < 8) {
    width = this->width();
    height = this->height();
  }
  const WindowLayout layout = ComputeLayout(width, height);
  for (int slot = 0; slot < kButtonCount; ++slot) {
    const Rect& r = layout.buttons[slot];
    buttons_[slot]->setGeometry(r.x, r.y, r.width, r.height);
  }
  plot_->setGeometry(layout.plot.x, layout.plot.y, layout.plot.width, layout.plot.height);
  status_->setGeometry(layout.status.x, layout.status.y, layout.status.width, layout.status.height);
  view.plotWidth = layout.plot.width;
  view.plotHeight = layout.plot.height;
  ZoomAll();
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == CommandEvent::Type()) {
    const int command = static_cast<CommandEvent*>(event)->command();
    if (StoppableWorkRunning()) {
      // Step 1 is handing out its pending input: the command runs once it
      // is done (a posted event waits for the next pass of the loop).
      QCoreApplication::postEvent(this, new CommandEvent(command));
    } else {
      DispatchCommand(command);
    }
    return true;
  }
  if (event->type() == LayoutEventType()) {
    if (StoppableWorkRunning()) {
      QCoreApplication::postEvent(this, new QEvent(LayoutEventType()));
    } else {
      layoutPending_ = false;
      LayoutWindows(0, 0);
    }
    return true;
  }
  return QWidget::event(event);
}

void MainWindow::resizeEvent(QResizeEvent*) {
  if (!StoppableWorkRunning()) {
    LayoutWindows(width(), height());
  } else if (!layoutPending_) {
    // The layout zooms all, which records the view in the undo journal:
    // while step 1 works it waits, as commands do, so that a stop leaves
    // the journal as it was.
    layoutPending_ = true;
    QCoreApplication::postEvent(this, new QEvent(LayoutEventType()));
  }
}

bool MainWindow::TakeDroppedFile(std::string& name) {
  if (droppedFile_.empty()) return false;
  name = std::move(droppedFile_);
  droppedFile_.clear();
  return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString name = DraggedFile(event->mimeData());
  if (name.isEmpty()) return;
  event->acceptProposedAction();
  // Opened once the drop is over: the open may ask about unsaved changes.
  droppedFile_ = name.toLocal8Bit().toStdString();
  UI().PostCommand(kCmdOpenDropped);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The window is never closed directly: the exit command decides, after
  // stopping step 1 if it is running.
  event->ignore();
  RequestStop();
  UI().PostCommand(kCmdExit);
}

int KeyFromQt(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return kKeyA + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return kKey0 + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) return kKeyF1 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Backspace:
      return kKeyBackspace;
    case Qt::Key_Tab:
      return kKeyTab;
    case Qt::Key_Backtab:
      return kKeyTab;
    case Qt::Key_Space:
      return kKeySpace;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Delete:
      return kKeyDelete;
    case Qt::Key_Insert:
      return kKeyInsert;
    case Qt::Key_Home:
      return kKeyHome;
    case Qt::Key_End:
      return kKeyEnd;
    case Qt::Key_PageUp:
      return kKeyPageUp;
    case Qt::Key_PageDown:
      return kKeyPageDown;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Down:
      return kKeyDown;
    default:
      return kKeyNone;
  }
}

int ModifiersFromQt(Qt::KeyboardModifiers modifiers) {
  // A key with the Meta (Windows) key held matches nothing.
  if (modifiers & Qt::MetaModifier) return -1;
  int result = 0;
  if (modifiers & Qt::ShiftModifier) result |= kModShift;
  if (modifiers & Qt::ControlModifier) result |= kModCtrl;
  if (modifiers & Qt::AltModifier) result |= kModAlt;
  return result;
}

void PassCommandKeysToMainWindow(QWidget* side) { side->setProperty(kCommandKeysToMain, true); }

bool KeyboardAndHoverFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (StoppableWorkRunning() && dynamic_cast<QInputEvent*>(event) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == window_) {
    // While step 1 works nothing may change the store or the view: Escape
    // asks it to stop, every other key and mouse action in the window is
    // swallowed.
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) RequestStop();
    return true;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::MouseMove) return false;
  if (!watched->isWidgetType()) return false;
  QWidget* widget = static_cast<QWidget*>(watched);
  if (widget->window() != window_) {
    if (type != QEvent::KeyPress || !widget->window()->property(kCommandKeysToMain).toBool() ||
        QApplication::activeModalWidget()) {
      return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const int modifiers = ModifiersFromQt(key->modifiers());
    const int qtKey = KeyFromQt(key->key());
    const int id = modifiers < 0 ? 0 : FindAccelerator(qtKey, modifiers);
    if (SideWindowReadsKey(qtKey, modifiers)) return false;
    if (StoppableWorkRunning()) {
      // A command would run inside step 1: Escape stops the work instead,
      // and the other command keys are ignored as in the main window.
      if (qtKey == kKeyEscape && modifiers == 0) {
        RequestStop();
        return true;
      }
      return id && AcceleratorCommand(id);
    }
    if (!id || !AcceleratorCommand(id)) return false;
    DispatchCommand(id);
    return true;
  }

  if (type == QEvent::MouseMove) {
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (widget == window_->plot()) {
      HoverStatus(HoverTarget::Plot, -1, at.x(), at.y());
    } else if (auto* button = dynamic_cast<IconButton*>(widget)) {
      HoverStatus(HoverTarget::Button, button->slot(), at.x(), at.y());
    } else {
      HoverStatus(HoverTarget::Other, -1, at.x(), at.y());
    }
    return false;  // the widget still gets its move
  }

  if (QApplication::activeModalWidget()) return false;
  if (type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int modifiers = ModifiersFromQt(key->modifiers());
    const int id = modifiers < 0 ? 0 : FindAccelerator(KeyFromQt(key->key()), modifiers);
    if (id) DispatchCommand(id);
  }
  return true;  // no key reaches a window
}

}  // namespace kestrel
