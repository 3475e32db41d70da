// The layer dialog of the window: one check box per layer of a drawing.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <string>

#include "formats/input.h"
#include "store/store.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

class LayerDialogTest : public WindowTest {};

TEST_F(LayerDialogTest, TheLayersTickedAreRead) {
  TempDir dir;
  std::string drawing = "0\nSECTION\n2\nENTITIES\n";
  for (const char* layer : {"WATER", "TITLE"}) {
    drawing +=
        std::string("0\nLINE\n8\n") + layer + "\n10\n0\n20\n0\n11\n5\n21\n" + (layer[0] == 'W' ? "5" : "9") + "\n";
  }
  TempDir::Write(dir.File("plan.dxf"), drawing + "0\nEOF\n");
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("plan.dxf").c_str());

  QStringList items;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll.stop();
    QListWidget* list = dialog->findChild<QListWidget*>();
    for (int k = 0; k < list->count(); ++k) items << list->item(k)->text();
    list->item(1)->setCheckState(Qt::Unchecked);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  poll.start(10);
  ASSERT_EQ(ReadInputFile(), 1);
  EXPECT_EQ(items, (QStringList{"WATER (1 entity)", "TITLE (1 entity)"}));
  EXPECT_EQ(PolygonAt(0).points[1].y, 5) << "the line on WATER";
}

}  // namespace
}  // namespace kestrel::testing
