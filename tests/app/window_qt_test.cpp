#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTextBrowser>
#include <cstring>

#include "app/dispatch.h"
#include "app/pixels.h"
#include "app/report.h"
#include "app/window.h"
#include "edit/journal.h"
#include "resources/bitmaps.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget) {
  SendMouse(widget, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
  SendMouse(widget, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
  QApplication::processEvents();
}

void Select(int index, int32_t selection) {
  for (int32_t k = 0; k < store.polygonCount; ++k) PolygonAt(k).selection = 0;
  if (index >= 0) PolygonAt(index).selection = selection;
  UpdateButtons();
}

TEST_F(WindowTest, ItIsTitledAndLaidOutByTheLayoutRules) {
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Kestrel\u00AE Version 1.31"));
  EXPECT_EQ(window->minimumSize(), QSize(480, 360));
  EXPECT_EQ(window->size(), QSize(1000, 700));
  EXPECT_EQ(window->plot()->geometry(), QRect(28, 2, 968, 670));
  EXPECT_EQ(window->status()->geometry(), QRect(28, 674, 968, 24));
  for (int slot = 0; slot < kButtonCount; ++slot) {
    EXPECT_EQ(window->button(slot)->geometry(), QRect(2, 2 + 24 * slot, 24, 24)) << slot;
  }
  EXPECT_EQ(view.plotWidth, 968);
  EXPECT_EQ(view.plotHeight, 670);
}

TEST_F(WindowTest, ButtonsFollowTheEnablingRules) {
  EXPECT_TRUE(window->button(kSlotOpen)->IsEnabled());
  EXPECT_TRUE(window->button(kSlotHelp)->IsEnabled());
  EXPECT_FALSE(window->button(kSlotSave)->IsEnabled()) << "an empty store";
  EXPECT_FALSE(window->button(kSlotGrid)->IsEnabled());

  AddPolygon("a", {{0, 0}, {10, 0}, {10, 10}});
  AddPolygon("b", {{20, 0}, {30, 0}});
  AddPolygon("c", {{40, 0}, {50, 0}});
  PolygonAt(0).selection = 1;
  PolygonAt(1).selection = 1;
  UpdateButtons();
  EXPECT_TRUE(window->button(kSlotJoin)->IsEnabled());
  EXPECT_FALSE(window->button(kSlotSplit)->IsEnabled());
  EXPECT_TRUE(window->button(kSlotSmooth)->IsEnabled());
  EXPECT_TRUE(window->button(kSlotFive)->IsEnabled());

  Select(0, -2);  // a point of polygon 0
  EXPECT_TRUE(window->button(kSlotSplit)->IsEnabled());
  EXPECT_FALSE(window->button(kSlotJoin)->IsEnabled());

  EXPECT_FALSE(window->button(kSlotLink)->IsEnabled());
  EXPECT_FALSE(window->button(kSlotCell)->IsEnabled());
  gridsValid = 1;
  linksValid = 1;
  UpdateButtons();
  EXPECT_TRUE(window->button(kSlotLink)->IsEnabled());
  EXPECT_TRUE(window->button(kSlotCell)->IsEnabled());
  EXPECT_TRUE(window->button(kSlotFile)->IsEnabled());
  ClearPolygons();
  AddPolygon("only", {{0, 0}, {1, 1}});
  linksValid = 1;
  UpdateButtons();
  EXPECT_FALSE(window->button(kSlotCell)->IsEnabled()) << "one polygon has nothing to link";
  EXPECT_TRUE(window->button(kSlotFile)->IsEnabled());
}

TEST_F(WindowTest, ADisabledButtonIgnoresClicksAndShowsItsIconInverted) {
  IconButton* join = window->button(kSlotJoin);
  ASSERT_FALSE(join->IsEnabled());
  Click(join);
  EXPECT_TRUE(spy.commands.empty());
  EXPECT_EQ(join->state() & kButtonPressed, 0u);

  BitmapView icon;
  ASSERT_TRUE(ParseBitmap(LoadBitmapResource("JOIN"), icon));
  const QImage off = join->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage on = window->button(kSlotOpen)->grab().toImage().convertToFormat(QImage::Format_RGB32);
  BitmapView openIcon;
  ASSERT_TRUE(ParseBitmap(LoadBitmapResource("OPEN"), openIcon));
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      ASSERT_EQ(off.pixel(4 + x, 4 + y), ~BitmapPixel(icon, x, y) | 0xFF000000u) << x << "," << y;
      ASSERT_EQ(on.pixel(4 + x, 4 + y), BitmapPixel(openIcon, x, y)) << x << "," << y;
    }
  }

  Click(window->button(kSlotOpen));
  ASSERT_EQ(spy.commands.size(), 1u);
  EXPECT_EQ(spy.commands[0], kCmdOpen);
}

TEST_F(WindowTest, AButtonPostsOnlyWhenReleasedOverItself) {
  IconButton* open = window->button(kSlotOpen);
  SendMouse(open, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
  EXPECT_NE(open->state() & kButtonPressed, 0u);
  SendMouse(open, QEvent::MouseButtonRelease, QPoint(60, 10), Qt::LeftButton, Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(open->state() & kButtonPressed, 0u);
  EXPECT_TRUE(spy.commands.empty());
}

TEST_F(WindowTest, HoveringShowsPositionsHoverTextsAndTheContactLine) {
  SendMouse(window->plot(), QEvent::MouseMove, QPoint(10, 20), Qt::NoButton, Qt::NoButton);
  EXPECT_STREQ(statusText, "10:20");
  SendMouse(window->button(kSlotZoomAll), QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
  EXPECT_STREQ(statusText, "zoom all (or press ctl-Z)");
  SendMouse(window->status(), QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
  EXPECT_STREQ(statusText, kContactLine);
  SendMouse(window.get(), QEvent::MouseMove, QPoint(900, 690), Qt::NoButton, Qt::NoButton);
  EXPECT_STREQ(statusText, kContactLine);
}

TEST_F(WindowTest, TheStatusLineShowsItsText) {
  auto darkPixels = [&] {
    const QImage image = window->status()->grab().toImage();
    int dark = 0;
    for (int y = 2; y < 20; ++y) {
      for (int x = 4; x < 200; ++x) dark += qGray(image.pixel(x, y)) < 64;
    }
    return dark;
  };
  ShowStatus("");
  EXPECT_EQ(darkPixels(), 0);
  ShowStatus("there are no polygons to zoom");
  EXPECT_GT(darkPixels(), 20);
}

TEST_F(WindowTest, ResizingZoomsAll) {
  AddPolygon("a", {{0, 0}, {100, 0}, {100, 20}}, true);
  ComputeExtents();
  ClearJournal();
  window->resize(1200, 800);
  Settle();
  EXPECT_EQ(view.plotWidth, 1168);
  EXPECT_EQ(view.plotHeight, 770);
  EXPECT_DOUBLE_EQ(view.scale, 100.0 / 1168 / 0.95);
  ASSERT_GT(journal.top, 0);
  EXPECT_EQ(journal.entries[journal.top - 1], UndoView);
  EXPECT_TRUE(window->button(kSlotUndo)->IsEnabled());
}

TEST_F(WindowTest, ClosingTheWindowPostsTheExitCommand) {
  window->close();
  QApplication::processEvents();
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(spy.commands.size(), 1u);
  EXPECT_EQ(spy.commands[0], kCmdExit);
}

TEST_F(WindowTest, HelpOpensTheManualBesideTheWindow) {
  ASSERT_TRUE(qt.StartHelp());
  ASSERT_NE(qt.helpWindow(), nullptr);
  EXPECT_TRUE(qt.helpWindow()->isVisible());
  EXPECT_FALSE(qt.helpWindow()->isModal());
  EXPECT_TRUE(qt.helpWindow()->toPlainText().contains(QStringLiteral("Keys")));
  qt.helpWindow()->close();
}

}  // namespace
}  // namespace kestrel::testing
