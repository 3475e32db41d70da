#include <gtest/gtest.h>

#include <QKeyEvent>

#include "app/dispatch.h"
#include "app/report.h"
#include "edit/journal.h"
#include "grid/gridstore.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

class QualityViewTest : public WindowTest {
 protected:
  // One patch of three cells in a row, ten pixels a world unit, world (0, 0)
  // at pixel (100, 200). Node (2, 1) is pushed right so that the middle cell
  // leans by atan(4/10) = 21.8 degrees and the last one by less.
  void SetUpGrid() {
    AddPolygon("row", {{0, 0}, {30, 0}, {30, 10}, {0, 10}}, true);
    grids.patchCount = 1;
    grids.ni = AllocArray<int32_t>(1, 1);
    grids.nj = AllocArray<int32_t>(1, 1);
    grids.x = AllocArray<double*>(1, 1);
    grids.y = AllocArray<double*>(1, 1);
    grids.ni[0] = 3;
    grids.nj[0] = 1;
    grids.x[0] = AllocArray<double>(1, 8);
    grids.y[0] = AllocArray<double>(1, 8);
    for (int j = 0; j <= 1; ++j) {
      for (int i = 0; i <= 3; ++i) {
        grids.x[0][NodeIndex(3, i, j)] = 10.0 * i + (i == 2 && j == 1 ? 4.0 : 0.0);
        grids.y[0][NodeIndex(3, i, j)] = 10.0 * j;
      }
    }
    gridsValid = 1;
    clipPolygon = -1;
    view.scale = 0.1;
    view.originX = -10;
    view.originY = 20;
  }
  QRgb At(int x, int y) { return Plot().pixel(x, y); }
};

TEST_F(QualityViewTest, CellsAreFilledByTheirOrthogonalityBand) {
  SetUpGrid();
  window->plot()->Invalidate();
  EXPECT_EQ(At(150, 150), qRgb(0, 0, 0)) << "without the quality view cells are not filled";

  qualityView = 1;
  window->plot()->Invalidate();
  // The first cell is a square: below 1 degree, green.
  EXPECT_EQ(At(150, 150), qRgb(0, 160, 0));
  // The middle cell leans by more than 10 degrees: red.
  EXPECT_EQ(At(250, 150), qRgb(220, 0, 0));
  // The outlines are still drawn with the polygon's pen on top.
  EXPECT_EQ(At(100, 150), PenColor(0).rgb());
}

TEST_F(QualityViewTest, AFoldedCellIsMarked) {
  SetUpGrid();
  // Pull node (2, 1) far left, past node (1, 1): the middle cell folds.
  grids.x[0][NodeIndex(3, 2, 1)] = 5;
  qualityView = 1;
  window->plot()->Invalidate();
  EXPECT_EQ(At(205, 195), qRgb(255, 0, 255));
}

TEST_F(QualityViewTest, TheKeyTogglesItWithoutTouchingDataOrUndo) {
  SetUpGrid();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::ControlModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_G, Qt::ControlModifier);
  QApplication::sendEvent(window.get(), &press);
  QApplication::sendEvent(window.get(), &release);
  QApplication::processEvents();
  ASSERT_EQ(spy.commands.size(), 1u);
  EXPECT_EQ(spy.commands[0], kCmdQualityView);

  const int32_t top = journal.top;
  const int32_t wasModified = modified;
  DispatchCommand(kCmdQualityView);
  EXPECT_EQ(qualityView, 1);
  EXPECT_NE(std::string(statusText).find("quality view on"), std::string::npos) << statusText;
  EXPECT_EQ(At(250, 150), qRgb(220, 0, 0));
  DispatchCommand(kCmdQualityView);
  EXPECT_EQ(qualityView, 0);
  EXPECT_NE(std::string(statusText).find("quality view off"), std::string::npos) << statusText;
  EXPECT_EQ(At(250, 150), qRgb(0, 0, 0));
  EXPECT_EQ(journal.top, top);
  EXPECT_EQ(modified, wasModified);
  EXPECT_EQ(gridsValid, 1);
}

}  // namespace
}  // namespace kestrel::testing
