#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QResizeEvent>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/dispatch.h"
#include "edit/journal.h"
#include "grid/gridstore.h"
#include "grid/stop.h"
#include "patches.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

class StopWindowTest : public WindowTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;

  void SetUp() override {
    WindowTest::SetUp();
    folder.emplace(dir.path());
  }
  void TearDown() override {
    folder.reset();
    WindowTest::TearDown();
  }
};

// Keys pressed while step 1 works on a polygon that takes minutes reach the
// window only when step 1 hands over its input: Ctrl+Z (zoom all, which
// would record the view) is swallowed, a resize waits for the work to end,
// and Escape stops the work. The grids are not made, and the polygons, the
// journal and `modified` stay as they were.
TEST_F(StopWindowTest, EscapeStopsALongStepOneAndTheStoreIsUntouched) {
  AddPolygon("600 by 300", {{0, 0}, {600, 0}, {600, 300}, {0, 300}}, true);
  BoundAll();
  ComputeExtents();
  ZoomAll();
  const std::vector<int32_t> entries(journal.entries, journal.entries + journal.top);
  modified = 1;
  const Polygon before = PolygonAt(0);
  const std::vector<PolygonPoint> points(before.points, before.points + before.count);

  QCoreApplication::postEvent(window.get(), new QResizeEvent(QSize(1000, 700), QSize(900, 600)));
  for (const auto& [key, modifiers] : {std::pair{Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Escape, Qt::NoModifier}}) {
    QCoreApplication::postEvent(window.get(), new QKeyEvent(QEvent::KeyPress, key, modifiers));
  }
  DispatchCommand(kCmdGrid);

  EXPECT_STREQ(statusText, "gridding stopped");
  EXPECT_FALSE(StoppableWorkRunning());
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
  EXPECT_FALSE(window->button(kSlotLink)->IsEnabled());
  EXPECT_FALSE(std::filesystem::exists(dir.File("CELL.P2D")));
  EXPECT_EQ(std::vector<int32_t>(journal.entries, journal.entries + journal.top), entries);
  EXPECT_EQ(modified, 1);
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "600 by 300");
  ASSERT_EQ(PolygonAt(0).count, before.count);
  EXPECT_EQ(std::memcmp(PolygonAt(0).points, points.data(), points.size() * sizeof(PolygonPoint)), 0);

  // The resize is laid out (and zooms all) once the work has ended.
  Settle();
  EXPECT_GT(journal.top, static_cast<int32_t>(entries.size()));

  // Escape outside step 1 is an ordinary key again: it stops nothing.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &escape);
  EXPECT_FALSE(RequestStop());
}

// The manual and the message log pass command keys to the main window; while
// step 1 works such a key must not start a command inside it (Alt+G would
// grid again), and Escape there stops the work too.
TEST_F(StopWindowTest, SideWindowKeysDoNotRunCommandsWhileStepOneWorks) {
  AddPolygon("600 by 300", {{0, 0}, {600, 0}, {600, 300}, {0, 300}}, true);
  BoundAll();
  ComputeExtents();
  QWidget side;
  PassCommandKeysToMainWindow(&side);
  side.show();
  for (const auto& [key, modifiers] : {std::pair{Qt::Key_G, Qt::AltModifier}, {Qt::Key_Escape, Qt::NoModifier}}) {
    QCoreApplication::postEvent(&side, new QKeyEvent(QEvent::KeyPress, key, modifiers));
  }
  DispatchCommand(kCmdGrid);
  EXPECT_STREQ(statusText, "gridding stopped");
  EXPECT_EQ(gridsValid, 0);
  Settle();
  EXPECT_EQ(gridsValid, 0) << "no grid command waits either";
}

}  // namespace
}  // namespace kestrel::testing
