#include <gtest/gtest.h>

#include "edit/dialogs.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using RenameTest = KestrelTest;

TEST_F(RenameTest, RenameKeeps31CharactersAndUndoes) {
  RenamePolygon();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to rename");
  AddPolygon("old", {{0, 0}, {1, 1}});
  AddPolygon("other", {{2, 2}, {3, 3}});
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  RenamePolygon();
  EXPECT_EQ(ui.LastStatus(), "you must first select a single polygon");

  PolygonAt(1).selection = 0;
  ui.values.push_back(std::nullopt);
  RenamePolygon();
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(modified, 0);

  ui.values.push_back(std::string(40, 'x'));
  RenamePolygon();
  EXPECT_EQ(std::string(PolygonAt(0).name), std::string(31, 'x'));
  EXPECT_EQ(modified, 1);
  UndoLast();
  EXPECT_STREQ(PolygonAt(0).name, "old");

  // A character of several bytes is not cut in half.
  ui.values.push_back(std::string(30, 'a') + "\xC3\xA9z");
  RenamePolygon();
  EXPECT_EQ(std::string(PolygonAt(0).name), std::string(30, 'a'));

  // OK on an unchanged name still records a step and marks the store.
  modified = 0;
  const int32_t top = journal.top;
  std::string shown;
  struct Echo : ScriptedFrontEnd {
    std::string* shown;
    bool AskValue(const char* dialog, std::string& value) override {
      *shown = std::string(dialog) + ":" + value;
      return true;
    }
  } echo;
  echo.shown = &shown;
  SetFrontEnd(&echo);
  RenamePolygon();
  SetFrontEnd(&ui);
  EXPECT_EQ(shown, "RENAME:" + std::string(30, 'a'));
  EXPECT_GT(journal.top, top);
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(DialogCaption("RENAME"), "Rename Polygon");
  EXPECT_EQ(DialogCaption("SELECT"), "Select a Polygon (1 to 2)");
}

class RemoveTest : public KestrelTest {
 protected:
  // Open lines of the given lengths, one above the other, all selected, and
  // an unselected frame that keeps the drawing from being degenerate.
  void AddLines(std::initializer_list<double> lengths) {
    double y = 0;
    for (double length : lengths) {
      PolygonAt(AddPolygon("line", {{0, y}, {length, y}})).selection = 1;
      y += 1;
    }
    AddPolygon("frame", {{0, -1}, {0.5, 9}});
    Bound();
  }
};

TEST_F(RemoveTest, RemovesBelowTheConfirmedAverageAndUndoesInOneStep) {
  RemoveShortPolygons();
  EXPECT_EQ(ui.LastStatus(), "there are no short polygons to remove");
  AddLines({1, 2, 6});
  PolygonAt(2).color = 5;
  const auto before = Snapshot();
  PolygonAt(0).selection = PolygonAt(1).selection = 0;
  PolygonAt(2).selection = -1;
  ui.values.push_back(std::nullopt);
  RemoveShortPolygons();  // Cancel: nothing removed, the point selection made whole
  EXPECT_EQ(PolygonAt(2).selection, 1);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(ui.plotRepaints, 1);
  EXPECT_EQ(journal.top, 0);

  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  ui.values.push_back(std::string("3"));
  RemoveShortPolygons();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_EQ(PolygonAt(0).color, 5);
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RemoveTest, TheThresholdIsTheNumberAsDisplayed) {
  std::vector<std::string> shown;
  struct Accept : ScriptedFrontEnd {
    std::vector<std::string>* shown;
    bool AskValue(const char*, std::string& value) override {
      shown->push_back(value);
      return true;  // OK on the default
    }
  } accept;
  accept.shown = &shown;
  SetFrontEnd(&accept);
  AddLines({2, 2, 2});  // equal to the threshold is kept
  RemoveShortPolygons();
  EXPECT_EQ(store.polygonCount, 4);
  ResetProgramState();
  AddLines({1, 1, 1.0000001});
  RemoveShortPolygons();
  EXPECT_EQ(store.polygonCount, 4);
  EXPECT_EQ(shown, (std::vector<std::string>{"2", "1"}));
  SetFrontEnd(&ui);
}

TEST_F(RemoveTest, RemovingTheOnlyPolygon) {
  AddPolygon("only", {{0, 0}, {1, 1}});
  PolygonAt(0).selection = 1;
  ui.values.push_back(std::string("5"));
  RemoveShortPolygons();
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "all polygons have been deleted");
  EXPECT_TRUE(ui.SawStatus("there are no polygons to bound"));
  UndoLast();  // a single deletion's own record
  EXPECT_EQ(store.polygonCount, 1);
}

}  // namespace
}  // namespace kestrel::testing
