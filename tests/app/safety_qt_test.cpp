// The window keeps the user's work: numbers the C way under a decimal-comma
// locale, Undo that cannot break a point selection, dialogs that keep names
// and refuse a missing folder.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cstring>
#include <functional>

#include "../edit/edit_support.h"
#include "app/dispatch.h"
#include "decimal_comma.h"
#include "edit/journal.h"
#include "formats/polyfile.h"
#include "store/selection.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

// Calls `answer` with the next modal widget of type T once it is shown.
template <typename T>
void WhenOpen(const std::function<void(T*)>& answer) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, answer] {
    auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!widget) return;
    poll->stop();
    poll->deleteLater();
    answer(widget);
  });
  poll->start(10);
}

void PressOk(QDialog* d, const QString* text = nullptr) {
  if (text) d->findChild<QLineEdit*>()->setText(*text);
  d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

using SafetyWindowTest = WindowTest;

const char* const kFractions =
    "POLY basin\n0.5 0.25 1.5 \x11"
    "1\n1000.25 0.25 -0.125\n1000.25 750.75 2.5E-07\n0.5 0.25 1.5\nEND\n"
    "LINE bank\n-3.5 12.125 0\n7.75 900.5 0\nEND\n";

TEST_F(SafetyWindowTest, UnderADecimalCommaLocaleFilesClipboardAndDialogsAreAsUnderC) {
  DecimalCommaLocale german;
  ASSERT_TRUE(german.active());
  TempDir dir;
  TempDir::Write(dir.File("in.p2d"), kFractions);
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("in.p2d").c_str());
  ASSERT_EQ(ReadPolygonFile(), 2);
  Bound();
  EXPECT_EQ(PolygonAt(0).points[1].x, 1000.25);
  EXPECT_EQ(PolygonAt(0).points[2].z, 2.5e-7);
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("out.p2d").c_str());
  ASSERT_TRUE(WritePolygonFile());
  EXPECT_EQ(TempDir::Read(dir.File("out.p2d")), kFractions);

  // The clipboard there and back.
  PolygonAt(1).selection = 1;
  DispatchCommand(kCmdCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "LINE\tbank\r\n-3.5\t12.125\t0\r\n7.75\t900.5\t0\r\nEND\r\n");
  DispatchCommand(kCmdPaste);
  ASSERT_EQ(store.polygonCount, 3);
  EXPECT_EQ(XY(2), XY(1));

  // The spacing dialog shows the mean spacing the C way and reads it so.
  for (int32_t i = 0; i < store.polygonCount; ++i) PolygonAt(i).selection = 0;
  const int32_t line = AddPolygon("line", {{0, 0}, {7.5, 0}, {15, 0}});
  PolygonAt(line).selection = 1;
  QString shown;
  WhenOpen<QDialog>([&](QDialog* d) {
    shown = d->findChild<QLineEdit*>()->text();
    const QString typed = "2.5";
    PressOk(d, &typed);
  });
  DispatchCommand(kCmdSpace);
  EXPECT_EQ(shown, "7.5");
  EXPECT_EQ(PolygonAt(line).count, 7) << "15 at 2.5 apart";
}

TEST_F(SafetyWindowTest, UndoDuringADragBeepsAndTheDragStaysOneStep) {
  AddPolygon("a", {{0, 0}, {10, 0}, {10, 10}});
  const auto before = XY(0);
  Bound();
  DispatchCommand(kCmdZoomAll);
  PolygonAt(0).selection = 1;
  QWidget* plot = window->plot();
  auto send = [plot](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), plot->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::ControlModifier);
    QApplication::sendEvent(plot, &event);
  };
  send(QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton);
  send(QEvent::MouseMove, QPoint(320, 300), Qt::LeftButton);
  DispatchCommand(kCmdUndo);
  EXPECT_EQ(qt.beeps(), 1);
  send(QEvent::MouseMove, QPoint(340, 300), Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPoint(340, 300), Qt::NoButton);
  EXPECT_NE(XY(0), before);
  DispatchCommand(kCmdUndo);
  EXPECT_EQ(XY(0), before);
}

TEST_F(SafetyWindowTest, RenameWithoutEditingKeepsTheStoredBytes) {
  AddPolygon("Z\xFCrich", {{0, 0}, {5, 0}, {5, 5}});
  PolygonAt(0).selection = 1;
  WhenOpen<QDialog>([](QDialog* d) { PressOk(d); });
  DispatchCommand(kCmdRename);
  EXPECT_STREQ(PolygonAt(0).name, "Z\xFCrich");
  WhenOpen<QDialog>([](QDialog* d) {
    const QString typed = QString::fromUtf8("Z\u00FCrich_2");
    PressOk(d, &typed);
  });
  DispatchCommand(kCmdRename);
  EXPECT_STREQ(PolygonAt(0).name, "Z\xC3\xBCrich_2");
}

TEST_F(SafetyWindowTest, TheSelectDialogStaysOpenOnACloseRequest) {
  AddPolygon("a", {{0, 0}, {5, 0}});
  AddPolygon("b", {{0, 1}, {5, 1}});
  bool stayed = false;
  WhenOpen<QDialog>([&](QDialog* d) {
    d->close();
    stayed = d->isVisible();
    const QString typed = "2";
    PressOk(d, &typed);
  });
  DispatchCommand(kCmdSelectByNumber);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(PolygonAt(1).selection, 1);
}

TEST_F(SafetyWindowTest, TheSaveDialogRefusesAFolderThatDoesNotExistAndStaysOpen) {
  TempDir dir;
  AddPolygon("a", {{0, 0}, {5, 0}, {5, 5}});
  modified = 1;
  const QString missing = QString::fromLocal8Bit(dir.File("no-such-dir/x.p2d").c_str());
  const QString good = QString::fromLocal8Bit(dir.File("x.p2d").c_str());
  QString said;
  bool stayed = false;
  WhenOpen<QFileDialog>([&](QFileDialog* d) {
    WhenOpen<QMessageBox>([&](QMessageBox* box) {
      said = box->text();
      box->accept();
    });
    d->findChild<QLineEdit*>("fileNameEdit")->setText(missing);
    static_cast<QDialog*>(d)->accept();  // as the Save button does
    stayed = d->isVisible();
    d->findChild<QLineEdit*>("fileNameEdit")->setText(good);
    static_cast<QDialog*>(d)->accept();  // as the Save button does
  });
  DispatchCommand(kCmdSave);
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(said.contains("does not exist")) << said.toStdString();
  EXPECT_STREQ(fileName, dir.File("x.p2d").c_str());
  EXPECT_EQ(modified, 0);
  EXPECT_NE(TempDir::Read(dir.File("x.p2d")).find("POLY a"), std::string::npos);
}

}  // namespace
}  // namespace kestrel::testing
