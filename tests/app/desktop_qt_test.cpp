// What a desktop user meets besides the main window: the message log, the
// manual beside the window, the corner keys no desktop takes, and files
// dropped on the window.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>

#include "app/dispatch.h"
#include "app/messagelog.h"
#include "app/messagelog_qt.h"
#include "app/report.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

class Desktop : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window->activateWindow();
    Settle();
  }
  void TearDown() override {
    if (qt.logWindow()) qt.logWindow()->close();
    if (qt.helpWindow()) qt.helpWindow()->close();
    Settle();
    WindowTest::TearDown();
  }
  static void Press(QWidget* to, int qtKey, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers);
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers);
    QApplication::sendEvent(to, &press);
    QApplication::sendEvent(to, &release);
    QApplication::processEvents();
  }
  // Runs the commands the window was sent, as its event loop would.
  void RunPosted() {
    const std::vector<int> commands = std::move(spy.commands);
    spy.commands.clear();
    for (const int command : commands) DispatchCommand(command);
    Settle();
  }
};

TEST_F(Desktop, CtrlLShowsTheLogBesideTheWindowAndItFollowsNewMessages) {
  ShowStatus("2 polygons linked: 80 active cells");
  ShowStatus("4 polygons gridded");
  Press(window.get(), Qt::Key_L, Qt::ControlModifier);
  ASSERT_EQ(spy.commands, std::vector<int>{kCmdMessageLog});
  RunPosted();
  MessageLogWindow* log = qt.logWindow();
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  QPlainTextEdit* text = log->text();
  EXPECT_TRUE(text->isReadOnly());
  ASSERT_EQ(text->blockCount(), static_cast<int>(messageLog.entries.size()));
  EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("  2 polygons linked: 80 active cells")));

  // New messages follow; a progress count only updates its own line.
  ShowStatusF(true, "1%% reading %s", "a.p2d");
  ShowStatusF(true, "2%% reading %s", "a.p2d");
  // A box's message, as Notify logs it before its box is shown.
  LogMessage(LogSource::Box, "non-fatal error code 2705: can't open input file b.p2d\nsecond line");
  qt.MessageLogged(true);
  const int before = static_cast<int>(messageLog.entries.size()) - 2;
  EXPECT_EQ(text->blockCount(), before + 2);
  EXPECT_TRUE(text->document()->findBlockByNumber(before).text().endsWith(QStringLiteral("2% reading a.p2d")));

  log->CopyAll();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.contains(QStringLiteral("4 polygons gridded\n"))) << copied.toStdString();
  EXPECT_TRUE(copied.contains(QStringLiteral("b.p2d\n          second line"))) << copied.toStdString();

  // In the log, command keys still reach the main window; paging stays.
  Press(text, Qt::Key_G, Qt::AltModifier);
  Press(text, Qt::Key_PageDown, Qt::NoModifier);
  EXPECT_EQ(spy.commands, std::vector<int>{kCmdGrid});
}

TEST_F(Desktop, KeysPressedInTheManualStillRunCommands) {
  DispatchCommand(kCmdHelp);
  Settle();
  QTextBrowser* help = qt.helpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Keys")));
  Press(window.get(), Qt::Key_K, Qt::AltModifier);
  Press(help, Qt::Key_F4, Qt::AltModifier);
  Press(help, Qt::Key_C, Qt::ControlModifier);  // copies the manual's text
  EXPECT_EQ(spy.commands, (std::vector<int>{kCmdLink, kCmdExit}));
}

TEST_F(Desktop, CtrlWithADigitSetsAndClearsCorners) {
  AddPolygon("ring", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  PolygonAt(0).selection = -3;  // its third point of five
  UpdateButtons();
  Press(window.get(), Qt::Key_1, Qt::ControlModifier);
  Press(window.get(), Qt::Key_4, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(spy.commands, (std::vector<int>{kCmdCorner1, kCmdCorner4}));
  RunPosted();
  EXPECT_EQ(PolygonAt(0).corners[0], 3);
  EXPECT_EQ(PolygonAt(0).corners[3], 3);
  Press(window.get(), Qt::Key_0, Qt::ControlModifier);
  RunPosted();
  EXPECT_EQ(PolygonAt(0).corners[0], 0);
  EXPECT_EQ(PolygonAt(0).corners[3], 0);
}

TEST_F(Desktop, OneDroppedFileIsOpened) {
  const std::string name = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  auto drag = [&](const QList<QUrl>& urls, QEvent::Type type) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(500, 300);
    if (type == QEvent::DragEnter) {
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window.get(), &enter);
      return enter.isAccepted();
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    return drop.isAccepted();
  };
  const QUrl file = QUrl::fromLocalFile(QString::fromLocal8Bit(name.c_str()));
  EXPECT_FALSE(drag({file, file}, QEvent::DragEnter)) << "one file at a time";
  EXPECT_FALSE(drag({QUrl(QStringLiteral("https://example.org/a.p2d"))}, QEvent::DragEnter));
  EXPECT_TRUE(drag({file}, QEvent::DragEnter));
  EXPECT_TRUE(drag({file}, QEvent::Drop));
  QApplication::processEvents();
  ASSERT_EQ(spy.commands, std::vector<int>{kCmdOpenDropped});
  RunPosted();
  EXPECT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(fileName, name.c_str());
  EXPECT_TRUE(window->button(kSlotGrid)->IsEnabled());
}

}  // namespace
}  // namespace kestrel::testing
