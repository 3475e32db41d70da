#include "app/window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "app/dispatch.h"
#include "fixture.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

TEST(Layout, PlacesThePartsForAClientArea) {
  const WindowLayout l = ComputeLayout(1000, 700);
  EXPECT_EQ(l.plot.x, 28);
  EXPECT_EQ(l.plot.y, 2);
  EXPECT_EQ(l.plot.width, 968);
  EXPECT_EQ(l.plot.height, 670);
  EXPECT_EQ(l.status.x, 28);
  EXPECT_EQ(l.status.y, 674);
  EXPECT_EQ(l.status.width, 968);
  EXPECT_EQ(l.status.height, 24);
  for (int slot = 0; slot < kButtonCount; ++slot) {
    EXPECT_EQ(l.buttons[slot].x, 2);
    EXPECT_EQ(l.buttons[slot].y, 2 + 24 * slot);
    EXPECT_EQ(l.buttons[slot].width, 24);
    EXPECT_EQ(l.buttons[slot].height, 24);
  }
  EXPECT_EQ(ComputeLayout(1001, 700).plot.width, 968) << "the plot width is a multiple of 4";
  EXPECT_EQ(ComputeLayout(1033, 700).plot.width, 1000);
}

TEST(Buttons, TheTableMatchesTheSlotsAndLoadsEveryPictureOnce) {
  EXPECT_EQ(kButtons[kSlotOpen].command, kCmdOpen);
  EXPECT_EQ(kButtons[kSlotUndo].command, kCmdUndo);
  EXPECT_EQ(kButtons[kSlotGrid].command, kCmdGrid);
  EXPECT_EQ(kButtons[kSlotHelp].command, kCmdHelp);
  std::set<std::string> loaded(std::begin(kBitmapLoadOrder), std::end(kBitmapLoadOrder));
  std::set<std::string> used;
  for (const ButtonInfo& b : kButtons) used.insert(b.bitmap);
  EXPECT_EQ(loaded.size(), 16u);
  EXPECT_EQ(loaded, used);
  EXPECT_STREQ(kWindowTitle, "Kestrel\xC2\xAE Version 1.31");
}

class Hover : public KestrelTest {};

TEST_F(Hover, TheEmptyPlotShowsThePixel) {
  view.plotWidth = 400;
  view.plotHeight = 300;
  HoverStatus(HoverTarget::Plot, -1, 10, 20);
  EXPECT_EQ(ui.LastStatus(), "10:20");
  // Positions outside the plot arrive as unsigned 16-bit values.
  HoverStatus(HoverTarget::Plot, -1, -10, 5);
  EXPECT_EQ(ui.LastStatus(), "65526:5");
}

TEST_F(Hover, ThePlotShowsTheWorldPositionAndTheSelection) {
  AddPolygon("bank", {{0, 0}, {10, 0}, {10, 10}});
  AddPolygon("reach", {{0, 0}, {10, 10}});
  view = ViewTransform{0.5, 100, 200, 400, 300};
  HoverStatus(HoverTarget::Plot, -1, 10, 20);
  EXPECT_EQ(ui.LastStatus(), "105:190");

  PolygonAt(1).selection = -1;  // its second point
  QuerySelection();
  HoverStatus(HoverTarget::Plot, -1, 1, 1);
  EXPECT_EQ(ui.LastStatus(),
            "100.5:199.5 current selection 2: reach.2 (Ctrl+1..4 or Ctrl+F1..F4: corner 1..4, Ctrl+0 or Ctrl+F5: clear "
            "corners)");
  PolygonAt(1).selection = 1;
  QuerySelection();
  HoverStatus(HoverTarget::Plot, -1, 1, 1);
  EXPECT_EQ(ui.LastStatus(), "100.5:199.5 current selection 2: reach");

  HoverStatus(HoverTarget::Plot, -1, 400, 1);
  EXPECT_EQ(ui.LastStatus(), "400:1") << "past the plot's width";
}

TEST_F(Hover, ButtonsShowTheirTextAndEverythingElseTheContactLine) {
  HoverStatus(HoverTarget::Button, kSlotOpen, 3, 3);
  EXPECT_EQ(ui.LastStatus(), "open an existing file (or press ctl-O)");
  HoverStatus(HoverTarget::Button, kSlotFile, 3, 3);
  EXPECT_EQ(ui.LastStatus(), "file the linked and gridded polygons (step 4) (or press alt-I)");
  HoverStatus(HoverTarget::Other, -1, 3, 3);
  EXPECT_EQ(ui.LastStatus(), kContactLine);
}

}  // namespace
}  // namespace kestrel::testing
