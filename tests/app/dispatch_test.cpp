#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "edit/journal.h"
#include "recording_frontend.h"
#include "resources/keytable.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

struct ListedKey {
  int key;
  int modifiers;
  int command;
};

// The keys that lead to commands, as the user knows them.
const ListedKey kListedKeys[] = {
    {'B', kModAlt, 1030},
    {'M', kModAlt, 1031},
    {'C', kModAlt, 1032},
    {'J', kModCtrl, 1033},
    {'C', kModCtrl, 1034},
    {'X', kModCtrl, 1035},
    {'D', kModAlt, 1036},
    {kKeyDelete, 0, 1037},
    {kKeyF1 + 3, kModAlt, 1038},
    {'I', kModAlt, 1039},
    {'F', kModAlt, 1040},
    {'G', kModAlt, 1042},
    {kKeyF1, 0, 1043},
    {kKeyInsert, 0, 1044},
    {'J', kModAlt, 1045},
    {'L', kModAlt, 1046},
    {'K', kModAlt, 1047},
    {'R', kModAlt, 1048},
    {'N', kModAlt, 1049},
    {'O', kModAlt, 1050},
    {'Z', kModAlt, 1051},
    {'V', kModCtrl, 1052},
    {'N', kModCtrl, 1053},
    {'P', kModAlt, 1054},
    {'O', kModCtrl, 1056},
    {'Q', kModAlt, 1057},
    {'V', kModAlt, 1058},
    {'A', kModCtrl, 1059},
    {'S', kModCtrl, 1060},
    {'T', kModAlt, 1061},
    {'A', kModAlt, 1062},
    {'S', kModAlt, 1063},
    {'E', kModAlt, 1064},
    {'X', kModAlt, 1065},
    {'Q', kModCtrl, 1066},
    {kKeyBackspace, kModAlt, 1067},
    {'Z', kModCtrl, 1068},
    {kKeyPageUp, 0, 1069},
    {kKeyPageDown, 0, 1071},
    // Keys of our own: the corner commands, the quality view, the GIS export.
    {kKeyF1, kModCtrl, 1026},
    {kKeyF1 + 1, kModCtrl, 1027},
    {kKeyF1 + 2, kModCtrl, 1028},
    {kKeyF1 + 3, kModCtrl, 1029},
    {kKeyF1 + 4, kModCtrl, 1025},
    {'G', kModCtrl, 1072},
    {'E', kModCtrl, 1073},
    {'B', kModCtrl, 1074},  // load bathymetry
    {'D', kModCtrl, 1075},  // the depth view
    // The corner commands on keys no desktop takes, and the message log.
    {'1', kModCtrl, 1026},
    {'2', kModCtrl, 1027},
    {'3', kModCtrl, 1028},
    {'4', kModCtrl, 1029},
    {'0', kModCtrl, 1025},
    {'L', kModCtrl, 1080},
};

int ListedCommand(const Accelerator& a) {
  for (const ListedKey& k : kListedKeys) {
    if (k.key == a.key && k.modifiers == a.modifiers) return k.command;
  }
  return 0;
}

class Dispatch : public RecordingTest {
 protected:
  void AddTwoPolygons() {
    AddPolygon("a", {{0, 0}, {10, 0}, {10, 10}}, true);
    AddPolygon("b", {{20, 0}, {30, 5}});
    view.plotWidth = 400;
    view.plotHeight = 300;
    ComputeExtents();
    ZoomAll();
    ClearJournal();
  }
};

TEST_F(Dispatch, TheKeyboardTableHasOneDistinctIdPerKey) {
  EXPECT_EQ(kFastPushCount, 136u);
  std::set<int> ids;
  std::set<std::pair<int, int>> keys;
  for (std::size_t k = 0; k < kFastPushCount; ++k) {
    const Accelerator& a = kFastPush[k];
    EXPECT_TRUE((a.id >= 3840 && a.id <= 4019) || (a.id >= 4032 && a.id <= 4036)) << a.id;
    EXPECT_TRUE(ids.insert(a.id).second) << a.id;
    EXPECT_TRUE(keys.insert({a.key, a.modifiers}).second) << a.key << " " << a.modifiers;
    EXPECT_EQ(FindAccelerator(a.key, a.modifiers), a.id);
  }
  // Only exact modifier combinations match.
  EXPECT_EQ(FindAccelerator('A', 0), 0);
  EXPECT_EQ(FindAccelerator('A', kModShift | kModAlt), 0);
  EXPECT_EQ(FindAccelerator(kKeyTab, 0), 0);
}

TEST_F(Dispatch, EveryKeyOfTheTablePostsItsCommandOrBeeps) {
  int matched = 0;
  for (std::size_t k = 0; k < kFastPushCount; ++k) {
    const Accelerator& a = kFastPush[k];
    std::strcpy(statusText, "old text");
    const std::size_t postedBefore = rec.posted.size();
    const int beepsBefore = rec.beeps;
    DispatchCommand(a.id);
    const int expected = ListedCommand(a);
    if (expected) {
      ++matched;
      ASSERT_EQ(rec.posted.size(), postedBefore + 1) << "accelerator " << a.id;
      EXPECT_EQ(rec.posted.back(), expected) << "accelerator " << a.id;
      EXPECT_STREQ(statusText, "") << "a key empties the status line first";
      EXPECT_EQ(rec.beeps, beepsBefore);
    } else {
      EXPECT_EQ(rec.posted.size(), postedBefore) << "accelerator " << a.id;
      EXPECT_EQ(rec.beeps, beepsBefore + 1) << "accelerator " << a.id;
      EXPECT_STREQ(statusText, "old text");
    }
  }
  EXPECT_EQ(matched, static_cast<int>(std::size(kListedKeys)));
}

TEST_F(Dispatch, EscArrowHomeAndF2BeepAndChangeNothing) {
  AddTwoPolygons();
  PolygonAt(0).selection = 1;
  const ViewTransform before = view;
  const int32_t journalBefore = journal.top;
  const std::pair<int, int> keys[] = {{kKeyEscape, 0}, {kKeyLeft, 0}, {kKeyHome, 0}, {kKeyF1 + 1, 0}};
  for (const auto& [key, modifiers] : keys) {
    const int beeps = rec.beeps;
    DispatchCommand(FindAccelerator(key, modifiers));
    EXPECT_EQ(rec.beeps, beeps + 1);
  }
  EXPECT_TRUE(rec.posted.empty());
  EXPECT_EQ(store.polygonCount, 2);
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(view.scale, before.scale);
  EXPECT_EQ(view.originX, before.originX);
  EXPECT_EQ(journal.top, journalBefore);
  EXPECT_EQ(rec.plotRepaints, 1);  // the zoom of the set-up only
}

TEST_F(Dispatch, APostedCommandRunsItsOperationAndTakesTheFocusBack) {
  AddTwoPolygons();
  const double scale = view.scale;
  DispatchCommand(kCmdZoomIn);
  EXPECT_LT(view.scale, scale);
  EXPECT_EQ(rec.focusCalls, 1);
  EXPECT_EQ(rec.beeps, 0);
  DispatchCommand(kCmdUndo);
  EXPECT_EQ(view.scale, scale);
}

TEST_F(Dispatch, CommandsWithoutOperationBeep) {
  for (int id : {1055, 1070, 999, 4019}) {
    const int beeps = rec.beeps;
    DispatchCommand(id);
    EXPECT_EQ(rec.beeps, beeps + 1) << id;
  }
  // The corner ids have no key but still stand for their commands.
  EXPECT_EQ(AcceleratorCommand(3898), kCmdClearCorners);
  EXPECT_EQ(AcceleratorCommand(3902), kCmdCorner4);
  EXPECT_TRUE(rec.posted.empty());
}

TEST_F(Dispatch, HelpThatCannotBeShownWarnsAndLeavesTheFocus) {
  rec.helpStarts = false;
  DispatchCommand(kCmdHelp);
  ASSERT_EQ(rec.warnings.size(), 1u);
  EXPECT_EQ(rec.warnings[0].caption, "Leafview Launch Failure");
  EXPECT_EQ(rec.warnings[0].text, "Can't display help information.");
  EXPECT_EQ(rec.focusCalls, 0);

  rec.helpStarts = true;
  DispatchCommand(kCmdHelp);
  EXPECT_EQ(rec.warnings.size(), 1u);
  EXPECT_EQ(rec.focusCalls, 0);
}

}  // namespace
}  // namespace kestrel::testing
