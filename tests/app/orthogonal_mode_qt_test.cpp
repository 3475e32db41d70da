#include <gtest/gtest.h>

#include <QKeyEvent>
#include <optional>
#include <string>

#include "app/dispatch.h"
#include "app/report.h"
#include "edit/journal.h"
#include "grid/gridstore.h"
#include "grid/orthogonal.h"
#include "patches.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

using OrthogonalModeTest = WindowTest;

// Ctrl+R switches orthogonal grids for the next step 1, says so on the
// status line, and changes neither the polygons nor the journal.
TEST_F(OrthogonalModeTest, TheKeySwitchesStepOneToConformalPatches) {
  TempDir dir;
  InFolder folder(dir.path());
  AddPolygon("4by2", {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, true);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_R, Qt::ControlModifier);
  QApplication::sendEvent(window.get(), &press);
  QApplication::sendEvent(window.get(), &release);
  QApplication::processEvents();
  ASSERT_EQ(spy.commands.size(), 1u);
  EXPECT_EQ(spy.commands[0], kCmdOrthogonalMode);

  const int32_t top = journal.top;
  DispatchCommand(kCmdOrthogonalMode);
  EXPECT_TRUE(orthogonalMode);
  EXPECT_EQ(std::string(statusText).rfind("orthogonal grids on", 0), 0u) << statusText;
  DispatchCommand(kCmdGrid);
  ASSERT_EQ(gridsValid, 1);
  EXPECT_EQ(PatchOriginOf(0).method, kConformalMethod);
  EXPECT_NE(std::string(statusText).find("1 polygon gridded orthogonally (conformal modulus 0.5000)"),
            std::string::npos)
      << statusText;

  DispatchCommand(kCmdOrthogonalMode);
  EXPECT_FALSE(orthogonalMode);
  EXPECT_EQ(std::string(statusText).rfind("orthogonal grids off", 0), 0u) << statusText;
  DispatchCommand(kCmdGrid);  // off
  DispatchCommand(kCmdGrid);
  EXPECT_EQ(PatchOriginOf(0).method, kArcLengthMethod);
  EXPECT_EQ(journal.top, top);
  EXPECT_EQ(modified, 0);
}

}  // namespace
}  // namespace kestrel::testing
