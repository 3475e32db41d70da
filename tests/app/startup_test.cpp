#include "app/startup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/dispatch.h"
#include "edit/journal.h"
#include "patches.h"
#include "recording_frontend.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

class StartUp : public RecordingTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;  // step 1 writes its outline file here
  void SetUp() override {
    RecordingTest::SetUp();
    folder.emplace(dir.path());
    view.plotWidth = 400;
    view.plotHeight = 300;
  }
  void TearDown() override {
    folder.reset();
    RecordingTest::TearDown();
  }
};

TEST_F(StartUp, WithoutAFileTheOpenCommandComesFirst) {
  const char* argv[] = {"kestrel"};
  EXPECT_EQ(StartFromArguments(1, argv), StartMode::Interactive);
  ASSERT_EQ(rec.posted.size(), 1u);
  EXPECT_EQ(rec.posted[0], kCmdOpen);
  EXPECT_EQ(store.polygonCount, 0);
}

TEST_F(StartUp, AFileIsReadFittedAndTheJournalEmptied) {
  const std::string name = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  const char* argv[] = {"kestrel", name.c_str()};
  EXPECT_EQ(StartFromArguments(2, argv), StartMode::Batch);
  EXPECT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(fileName, name.c_str());
  EXPECT_EQ(needFileName, 0);
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(journal.top, 0) << "the fitting zoom is not undoable";
  EXPECT_GT(view.scale, 0);
  EXPECT_TRUE(rec.posted.empty());
}

TEST_F(StartUp, AFurtherArgumentAsksForTheCapture) {
  const std::string name = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  const char* argv[] = {"kestrel", name.c_str(), "anything", "more"};
  EXPECT_EQ(StartFromArguments(4, argv), StartMode::Capture);
  EXPECT_TRUE(rec.questions.empty());
}

TEST_F(StartUp, AnUnreadableFileLeavesAnEmptyStore) {
  const std::string name = dir.File("missing.p2d");
  const char* argv[] = {"kestrel", name.c_str()};
  EXPECT_EQ(StartFromArguments(2, argv), StartMode::Batch);
  EXPECT_EQ(rec.notifications.size(), 1u);
  EXPECT_EQ(store.polygonCount, 0);
  // Zoom and step 1 each say that there is nothing to work on; step 1 ends
  // by bounding the empty store.
  EXPECT_TRUE(rec.SawStatus("there are no polygons to zoom"));
  EXPECT_TRUE(rec.SawStatus("there are no suitable polygons to grid"));
  EXPECT_EQ(rec.LastStatus(), "there are no polygons to bound");
}

TEST_F(StartUp, ANameTooLongForTheBufferIsNotCut) {
  const std::string name = dir.File(std::string(300, 'x') + ".p2d");
  StartWithFile(name.c_str());
  ASSERT_EQ(rec.notifications.size(), 1u);
  EXPECT_EQ(rec.notifications[0].code, 2992);
  EXPECT_STREQ(fileName, "");
  EXPECT_EQ(needFileName, 1);
  EXPECT_EQ(store.polygonCount, 0);
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

TEST(WindowProgramStart, HelpAndVersionComeFirstAndTheDisplayDecidesThePlatform) {
  const char* help[] = {"kestrel", "--help"};
  const char* version[] = {"kestrel", "--version", "x"};
  const char* file[] = {"kestrel", "a.p2d", "--help"};
  EXPECT_EQ(FindInfoRequest(2, help), InfoRequest::Help);
  EXPECT_EQ(FindInfoRequest(3, version), InfoRequest::Version);
  EXPECT_EQ(FindInfoRequest(3, file), InfoRequest::None) << "only a first argument is an option";
  EXPECT_EQ(FindInfoRequest(1, help), InfoRequest::None);

  // A platform the user names is Qt's to use.
  PlatformChoice c = ChoosePlatform(false, "offscreen", nullptr, nullptr);
  EXPECT_EQ(c.platforms, "");
  EXPECT_FALSE(c.needsDisplay);
  // No display: a capture is drawn off the screen; the window cannot start.
  c = ChoosePlatform(true, "", "", nullptr);
  EXPECT_EQ(c.platforms, "offscreen");
  EXPECT_FALSE(c.needsDisplay);
  EXPECT_TRUE(ChoosePlatform(false, nullptr, nullptr, "").needsDisplay);
  // A display that may not answer falls back to drawing off the screen.
  EXPECT_EQ(ChoosePlatform(false, nullptr, ":0", nullptr).platforms, "xcb;offscreen");
  EXPECT_EQ(ChoosePlatform(true, nullptr, ":0", "wayland-0").platforms, "wayland;xcb;offscreen");
}

}  // namespace
}  // namespace kestrel::testing
