#include <gtest/gtest.h>

#include <QKeyEvent>

#include "app/dispatch.h"
#include "edit/journal.h"
#include "resources/keytable.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

int QtKeyOf(int key) {
  if (key >= kKeyA && key <= kKeyZ) return Qt::Key_A + (key - kKeyA);
  if (key >= kKey0 && key <= kKey9) return Qt::Key_0 + (key - kKey0);
  if (key >= kKeyF1 && key <= kKeyF10) return Qt::Key_F1 + (key - kKeyF1);
  switch (key) {
    case kKeyBackspace:
      return Qt::Key_Backspace;
    case kKeyTab:
      return Qt::Key_Tab;
    case kKeySpace:
      return Qt::Key_Space;
    case kKeyEscape:
      return Qt::Key_Escape;
    case kKeyDelete:
      return Qt::Key_Delete;
    case kKeyInsert:
      return Qt::Key_Insert;
    case kKeyHome:
      return Qt::Key_Home;
    case kKeyEnd:
      return Qt::Key_End;
    case kKeyPageUp:
      return Qt::Key_PageUp;
    case kKeyPageDown:
      return Qt::Key_PageDown;
    case kKeyLeft:
      return Qt::Key_Left;
    case kKeyRight:
      return Qt::Key_Right;
    case kKeyUp:
      return Qt::Key_Up;
    case kKeyDown:
      return Qt::Key_Down;
  }
  return 0;
}

Qt::KeyboardModifiers QtModifiersOf(int modifiers) {
  Qt::KeyboardModifiers m;
  if (modifiers & kModShift) m |= Qt::ShiftModifier;
  if (modifiers & kModCtrl) m |= Qt::ControlModifier;
  if (modifiers & kModAlt) m |= Qt::AltModifier;
  return m;
}

class KeyboardTest : public WindowTest {
 protected:
  // Presses a key in the main window; returns whether a widget saw it.
  bool Press(int qtKey, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers);
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers);
    const bool handled = QApplication::sendEvent(window.get(), &press);
    QApplication::sendEvent(window.get(), &release);
    QApplication::processEvents();
    return handled;
  }
};

TEST_F(KeyboardTest, EveryKeyOfTheTableReachesItsCommandOrBeeps) {
  for (std::size_t k = 0; k < kFastPushCount; ++k) {
    const Accelerator& a = kFastPush[k];
    const int qtKey = QtKeyOf(a.key);
    ASSERT_NE(qtKey, 0) << a.key;
    spy.commands.clear();
    const int beeps = qt.beeps();
    Press(qtKey, QtModifiersOf(a.modifiers));
    const int command = AcceleratorCommand(a.id);
    if (command) {
      ASSERT_EQ(spy.commands.size(), 1u) << "accelerator " << a.id;
      EXPECT_EQ(spy.commands[0], command) << "accelerator " << a.id;
      EXPECT_EQ(qt.beeps(), beeps);
    } else {
      EXPECT_TRUE(spy.commands.empty()) << "accelerator " << a.id;
      EXPECT_EQ(qt.beeps(), beeps + 1) << "accelerator " << a.id;
    }
  }
}

TEST_F(KeyboardTest, EscArrowHomeAndF2BeepAndChangeNothing) {
  AddPolygon("a", {{0, 0}, {10, 0}, {10, 10}}, true);
  PolygonAt(0).selection = 1;
  ComputeExtents();
  ZoomAll();
  const ViewTransform before = view;
  const int32_t journalTop = journal.top;
  const int beeps = qt.beeps();
  for (int key : {Qt::Key_Escape, Qt::Key_Left, Qt::Key_Home, Qt::Key_F2}) Press(key, Qt::NoModifier);
  EXPECT_EQ(qt.beeps(), beeps + 4);
  EXPECT_TRUE(spy.commands.empty());
  EXPECT_EQ(view.scale, before.scale);
  EXPECT_EQ(view.originX, before.originX);
  EXPECT_EQ(journal.top, journalTop);
  EXPECT_EQ(PolygonAt(0).selection, 1);
}

TEST_F(KeyboardTest, KeysOutsideTheTableDoNothingAndReachNoWidget) {
  const int beeps = qt.beeps();
  EXPECT_TRUE(Press(Qt::Key_A, Qt::NoModifier));  // swallowed by the filter
  EXPECT_TRUE(Press(Qt::Key_Tab, Qt::NoModifier));
  EXPECT_EQ(qt.beeps(), beeps);
  EXPECT_TRUE(spy.commands.empty());
}

TEST_F(KeyboardTest, AltF4ReachesTheExitCommand) {
  Press(Qt::Key_F4, Qt::AltModifier);
  ASSERT_EQ(spy.commands.size(), 1u);
  EXPECT_EQ(spy.commands[0], kCmdExit);
}

}  // namespace
}  // namespace kestrel::testing
