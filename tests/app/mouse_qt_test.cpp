// Mouse gestures on the plot of the real window (offscreen), and the select
// dialog: the widget's events reach the gestures, the plot shows their
// rubber shapes, and the window keeps the mouse for the whole gesture.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "../edit/edit_support.h"
#include "app/dispatch.h"
#include "app/window.h"
#include "edit/journal.h"
#include "store/selection.h"
#include "view/mouse.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

const QRgb kBlackPixel = qRgb(0, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);

// The offscreen platform cannot grab the mouse at the system level and says
// so at every grab; the window's own grab, which the tests check, works.
QtMessageHandler previousHandler = nullptr;
void QuietAboutGrabbing(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("does not support grabbing the mouse")) return;
  if (previousHandler) previousHandler(type, context, message);
}

class MouseWindowTest : public WindowTest {
 protected:
  PlotWidget* plot = nullptr;

  void SetUp() override {
    WindowTest::SetUp();
    plot = window->plot();
    previousHandler = qInstallMessageHandler(QuietAboutGrabbing);
  }
  void TearDown() override {
    // No button stays held for the next test.
    if (GestureButton() == kMouseLeft) QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    if (GestureButton() == kMouseRight) QTest::mouseRelease(plot, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
    qInstallMessageHandler(previousHandler);
    WindowTest::TearDown();
  }

  // Half a world unit a pixel: world (x, y) is pixel (100 + 2x, 200 - 2y).
  void SetView() {
    view.scale = 0.5;
    view.originX = -50;
    view.originY = 100;
    plot->Invalidate();
    Plot();
  }
  QRgb At(int x, int y) { return Plot().pixel(x, y); }

  void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mousePress(plot, button, keys, at);
  }
  void Move(QPoint at) { QTest::mouseMove(plot, at); }
  void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseRelease(plot, button, keys, at);
  }
  void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton,
            Qt::KeyboardModifiers keys = Qt::NoModifier) {
    Press(from, button, keys);
    Move(to);
    Release(to, button, keys);
  }
};

TEST_F(MouseWindowTest, APressNearAnUnselectedPolygonDrawsARubberBand) {
  AddPolygon("free", {{0, 0}, {20, 0}, {20, 20}});  // pixels (100, 200) (140, 200) (140, 160)
  AddPolygon("chosen", {{100, 90}, {120, 90}});     // pixels (300, 20) (340, 20)
  PolygonAt(1).selection = 1;
  SetView();

  Press(QPoint(101, 199));
  EXPECT_EQ(QWidget::mouseGrabber(), plot);
  Move(QPoint(90, 230));
  // The rectangle (90, 199)-(101, 230) is inverted over the black plot.
  EXPECT_EQ(At(90, 230), kWhitePixel);
  EXPECT_EQ(At(95, 230), kWhitePixel);
  EXPECT_EQ(At(90, 215), kWhitePixel);
  EXPECT_EQ(At(95, 215), kBlackPixel);
  Release(QPoint(90, 230));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(PolygonAt(1).selection, 0);
  EXPECT_EQ(At(90, 230), kBlackPixel) << "the rubber band is gone";
  EXPECT_EQ(At(120, 200), kWhitePixel) << "the selected polygon is drawn white";
  EXPECT_EQ(At(320, 20), PenColor(1).rgb());
  EXPECT_TRUE(window->button(kSlotSmooth)->IsEnabled());
}

TEST_F(MouseWindowTest, GrabbingAPointOfOneOfTwoSelectedRepaintsOnceAndDragsTheClosingPoint) {
  AddPolygon("ring", {{0, 0}, {20, 0}, {20, 20}, {0, 20}}, true);  // (100, 200) .. (140, 160)
  AddPolygon("other", {{50, 50}, {60, 50}});                       // row 100, columns 200..220
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  SetView();
  EXPECT_EQ(At(210, 100), kWhitePixel);
  const int redraws = plot->fullRedraws();

  Press(QPoint(102, 197));  // within 3 pixels of point 0
  EXPECT_EQ(PolygonAt(1).selection, 0);
  EXPECT_EQ(plot->fullRedraws(), redraws);
  Move(QPoint(112, 187));
  EXPECT_EQ(plot->fullRedraws(), redraws + 1);
  EXPECT_EQ(At(210, 100), PenColor(1).rgb()) << "the other polygon shows as deselected";
  Move(QPoint(122, 177));
  Move(QPoint(122, 178));
  Move(QPoint(122, 177));
  EXPECT_EQ(plot->fullRedraws(), redraws + 1) << "later moves redraw the ring alone";

  // Point 0 and the closing point moved by (+20, -20) pixels: (10, 10).
  EXPECT_EQ(XY(0).front(), (std::pair<double, double>(10, 10)));
  EXPECT_EQ(XY(0).back(), (std::pair<double, double>(10, 10)));
  // The closing segment now runs from (100, 160) to (120, 180).
  EXPECT_EQ(At(110, 170), kWhitePixel);
  EXPECT_EQ(At(100, 180), kBlackPixel) << "the old first segment is erased";
  EXPECT_EQ(At(120, 180), kWhitePixel) << "the grabbed point's mark is filled";
  EXPECT_EQ(At(121, 181), kWhitePixel);

  Release(QPoint(122, 177));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_TRUE(window->button(kSlotSplit)->IsEnabled());
  EXPECT_TRUE(window->button(kSlotUndo)->IsEnabled());
}

TEST_F(MouseWindowTest, AOnePixelShiftDragAddsAndAPlainOneReplaces) {
  AddPolygon("a", {{0, 0}, {20, 0}});    // row 200
  AddPolygon("b", {{0, 10}, {20, 10}});  // row 180
  PolygonAt(1).selection = -2;           // its first point, pixel (100, 180)
  SetView();
  Drag(QPoint(120, 200), QPoint(121, 201), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(PolygonAt(1).selection, 1) << "a point selection widens to its polygon";

  PolygonAt(0).selection = 0;
  Drag(QPoint(120, 200), QPoint(121, 201));
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(PolygonAt(1).selection, 0);
}

TEST_F(MouseWindowTest, TheRightButtonDeselectsRecentresZoomsAndPans) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  PolygonAt(0).selection = 1;
  SetView();
  Press(QPoint(300, 300), Qt::RightButton);
  Release(QPoint(300, 300), Qt::RightButton);
  EXPECT_EQ(PolygonAt(0).selection, 0);

  // Ten pixels: the centre (305, 300) moves to the plot's centre (484, 335).
  Drag(QPoint(300, 300), QPoint(310, 300), Qt::RightButton);
  EXPECT_EQ(view.scale, 0.5);
  EXPECT_EQ(view.originX, -50 + 0.5 * (305 - 484));
  EXPECT_EQ(view.originY, 100 - 0.5 * (300 - 335));

  // A hundred pixels wide, forty high, from world x 0 to 50 in the view set
  // below: that span now fills the plot's width.
  SetView();
  Press(QPoint(100, 120), Qt::RightButton);
  Move(QPoint(200, 160));
  EXPECT_EQ(At(150, 120), kWhitePixel) << "the zoom rectangle is shown";
  Release(QPoint(200, 160), Qt::RightButton);
  EXPECT_DOUBLE_EQ(view.scale, 50.0 / 968);
  EXPECT_EQ(WorldToPixel(0, 0).column, 0);
  EXPECT_EQ(WorldToPixel(50, 0).column, 968);
  EXPECT_EQ(At(150, 120), kBlackPixel);

  // Ctrl: a pan of (+50, -20) pixels.
  const double scale = view.scale, x0 = view.originX, y0 = view.originY;
  Press(QPoint(300, 300), Qt::RightButton, Qt::ControlModifier);
  Move(QPoint(350, 280));
  EXPECT_EQ(At(300, 300), kWhitePixel) << "the pan line is shown";
  Release(QPoint(350, 280), Qt::RightButton, Qt::ControlModifier);
  EXPECT_EQ(view.scale, scale);
  EXPECT_EQ(view.originX, x0 - 50 * scale);
  EXPECT_EQ(view.originY, y0 - 20 * scale);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(journal.top, 3 * 7) << "three view changes, three undo records";
}

TEST_F(MouseWindowTest, ACtrlDragMovesAllSelectedPolygonsAndOneUndoPutsThemBack) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  AddPolygon("b", {{0, 40}, {20, 40}, {20, 60}}, true);
  AddPolygon("still", {{80, 80}, {90, 80}});
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  SetView();
  const auto before = Snapshot();

  Press(QPoint(300, 300), Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(QWidget::mouseGrabber(), plot);
  Move(QPoint(310, 290));
  Move(QPoint(320, 280));
  Release(QPoint(320, 280), Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "the mouse is let go at button-up";
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{10, 10}, {30, 10}}));
  EXPECT_EQ(XY(1).front(), (std::pair<double, double>(10, 50)));
  EXPECT_EQ(XY(2).front(), (std::pair<double, double>(80, 80)));
  EXPECT_EQ(extentYmin, 10) << "the extents follow";
  EXPECT_EQ(At(140, 180), kWhitePixel) << "drawn where it went";

  DispatchCommand(kCmdUndo);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(At(140, 180), kBlackPixel);
  EXPECT_EQ(At(120, 200), kWhitePixel);
}

TEST_F(MouseWindowTest, ADragGoesOnOutsideThePlotAndTheHoverTextFollows) {
  AddPolygon("ring", {{0, 0}, {20, 0}, {20, 20}, {0, 20}}, true);
  PolygonAt(0).selection = 1;
  SetView();
  Press(QPoint(100, 200));
  Move(QPoint(150, 150));
  EXPECT_STREQ(
      statusText,
      "25:25 current selection 1: ring.1 (Ctrl+1..4 or Ctrl+F1..F4: corner 1..4, Ctrl+0 or Ctrl+F5: clear corners)");
  Move(QPoint(-20, -30));
  Release(QPoint(-20, -30));
  // Pixel (-20, -30) is world (-60, 115).
  EXPECT_EQ(XY(0).front(), (std::pair<double, double>(-60, 115)));
  EXPECT_EQ(XY(0).back(), (std::pair<double, double>(-60, 115)));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(MouseWindowTest, ThePressOfTheOtherButtonWaitsForTheGestureToEnd) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  PolygonAt(0).selection = 1;
  SetView();
  Press(QPoint(300, 300), Qt::RightButton);
  Press(QPoint(300, 300), Qt::LeftButton);
  EXPECT_EQ(GestureButton(), kMouseRight);
  Move(QPoint(400, 350));  // both held: the right gesture still draws
  EXPECT_EQ(At(400, 350), kWhitePixel);
  Release(QPoint(400, 350), Qt::LeftButton);
  EXPECT_EQ(GestureButton(), kMouseRight);
  EXPECT_EQ(QWidget::mouseGrabber(), plot);
  Release(QPoint(400, 350), Qt::RightButton);
  EXPECT_EQ(GestureButton(), 0);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// Answers the next modal dialog with `answer` once it is shown.
void WhenTheDialogOpens(const std::function<void(QDialog*)>& answer) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, answer] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    poll->deleteLater();
    answer(dialog);
  });
  poll->start(10);
}

void TypeAndPressOk(QDialog* dialog, const char* text) {
  dialog->findChild<QLineEdit*>()->setText(text);
  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

TEST_F(MouseWindowTest, TheSelectDialogNamesTheRangeAndReadsNumbersLikeScanf) {
  for (int k = 0; k < 3; ++k) AddPolygon("p", {{0, k * 1.0}, {20, k * 1.0}});
  PolygonAt(0).selection = 1;
  QString title;
  WhenTheDialogOpens([&](QDialog* d) {
    title = d->windowTitle();
    TypeAndPressOk(d, "0");
  });
  SelectByNumber();
  EXPECT_EQ(title, "Select a Polygon (1 to 3)");
  EXPECT_EQ(PolygonAt(0).selection, 1) << "0 closes the dialog silently";
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  WhenTheDialogOpens([](QDialog* d) { TypeAndPressOk(d, "4"); });
  SelectByNumber();
  EXPECT_EQ(PolygonAt(0).selection, 1);

  WhenTheDialogOpens([](QDialog* d) { TypeAndPressOk(d, "0x2"); });
  SelectByNumber();
  EXPECT_EQ(PolygonAt(0).selection, 0);
  EXPECT_EQ(PolygonAt(1).selection, 1);
}

}  // namespace
}  // namespace kestrel::testing
