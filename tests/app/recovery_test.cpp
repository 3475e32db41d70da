#include "app/recovery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/report.h"
#include "edit/journal.h"
#include "fixture.h"
#include "formats/polyfile.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class RecoveryTest : public KestrelTest {
 protected:
  TempDir dir;
  void SetUp() override {
    KestrelTest::SetUp();
    EnableRecovery();
  }
  std::string AbortText() {
    try {
      Abort(4424, "unexpected undo code (%li)", 5L);
    } catch (const AbortCalled& a) {
      return a.what();
    }
    return "no abort";
  }
};

TEST_F(RecoveryTest, AbortWithUnsavedEditsWritesEveryPolygonBesideTheFile) {
  const std::string name = dir.File("river.p2d");
  std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
  needFileName = 0;
  AddPolygon("bank", {{0, 0}, {10.125, 0}, {10, 5}, {0, 5}}, true);
  AddPolygon("line", {{1, 1}, {2, 3}});
  PolygonAt(0).points[2].z = -4.5;
  PolygonAt(0).corners[0] = 1;
  PolygonAt(0).corners[1] = 2;
  PolygonAt(0).corners[2] = 3;
  PolygonAt(0).corners[3] = 4;
  modified = 1;

  const std::string text = AbortText();
  const std::string recovered = dir.File("river-recovered.p2d");
  EXPECT_EQ(text, "unexpected undo code (5)\n\nYour unsaved polygons have been saved to " + recovered + ".");

  // Read the recovery file back: the same polygons, points and corners.
  ResetProgramState();
  std::snprintf(fileName, sizeof fileName, "%s", recovered.c_str());
  ASSERT_EQ(ReadPolygonFile(), 2);
  EXPECT_STREQ(PolygonAt(0).name, "bank");
  EXPECT_EQ(PolygonAt(0).count, 5);
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_EQ(PolygonAt(0).points[1].x, 10.125);
  EXPECT_EQ(PolygonAt(0).points[2].z, -4.5);
  EXPECT_EQ(PolygonAt(0).corners[3], 4);
  EXPECT_STREQ(PolygonAt(1).name, "line");
  EXPECT_EQ(PolygonAt(1).points[1].y, 3);
}

TEST_F(RecoveryTest, AnOlderRecoveryFileIsNeverOverwritten) {
  const std::string name = dir.File("lake.p2d");
  std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
  needFileName = 0;
  TempDir::Write(dir.File("lake-recovered.p2d"), "older\n");
  AddPolygon("a", {{0, 0}, {1, 1}});
  modified = 1;
  EXPECT_NE(AbortText().find(dir.File("lake-recovered-2.p2d")), std::string::npos);
  EXPECT_EQ(TempDir::Read(dir.File("lake-recovered.p2d")), "older\n");
}

TEST_F(RecoveryTest, NothingIsWrittenWithoutUnsavedChanges) {
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("saved.p2d").c_str());
  needFileName = 0;
  AddPolygon("a", {{0, 0}, {1, 1}});
  modified = 0;
  EXPECT_EQ(AbortText(), "unexpected undo code (5)");
  EXPECT_FALSE(std::filesystem::exists(dir.File("saved-recovered.p2d")));
}

TEST_F(RecoveryTest, WithoutAFileNameTheWorkingFolderIsUsed) {
  needFileName = 1;
  EXPECT_EQ(RecoveryFileName(), "Kestrel-recovered.p2d");
  needFileName = 0;
  std::snprintf(fileName, sizeof fileName, "%s", "/data/v1.2/estuary");
  EXPECT_EQ(RecoveryFileName(), "/data/v1.2/estuary-recovered.p2d");
}

// Unsaved work whose file lies in a folder that does not exist.
void UnsavedWorkInAMissingFolder(const TempDir& dir) {
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("no/folder/x.p2d").c_str());
  needFileName = 0;
  AddPolygon("a", {{0, 0}, {1.5, 1}});
  modified = 1;
}

TEST_F(RecoveryTest, WhenTheFilesFolderIsGoneTheWorkingFolderTakesTheRecovery) {
  UnsavedWorkInAMissingFolder(dir);
  InFolder in(dir.path());
  EXPECT_NE(AbortText().find("have been saved to Kestrel-recovered.p2d"), std::string::npos);
  EXPECT_NE(TempDir::Read(dir.File("Kestrel-recovered.p2d")).find("1.5 1 0"), std::string::npos);
}

// Every place a recovery file could go is gone: the file's folder, the
// working folder (removed under the program) and the home folder.
class NowhereToRecover {
 public:
  explicit NowhereToRecover(const TempDir& dir) : in_(MakeGone(dir)) {
    if (const char* home = std::getenv("HOME")) home_ = home;
    setenv("HOME", dir.File("no-home").c_str(), 1);
    std::filesystem::remove(dir.File("gone"));
  }
  ~NowhereToRecover() { setenv("HOME", home_.c_str(), 1); }

 private:
  static std::string MakeGone(const TempDir& dir) {
    std::filesystem::create_directory(dir.File("gone"));
    return dir.File("gone");
  }
  InFolder in_;
  std::string home_;
};

TEST_F(RecoveryTest, AFailedRecoveryIsSaidInTheBox) {
  UnsavedWorkInAMissingFolder(dir);
  NowhereToRecover nowhere(dir);
  EXPECT_NE(AbortText().find("could not be saved to " + dir.File("no/folder/x-recovered.p2d")), std::string::npos);
}

TEST_F(RecoveryTest, CancelOfANotifyBoxSavesTheWorkBeforeTheProgramEnds) {
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("river.p2d").c_str());
  needFileName = 0;
  AddPolygon("bank", {{0, 0}, {2.25, 0}, {2, 1}});
  modified = 1;
  ui.notifyAnswers.push_back(false);
  EXPECT_THROW(Notify(3916, "can't create output file %s", "/x/y.p2d"), ProcessEnded);
  const std::string recovered = dir.File("river-recovered.p2d");
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text,
            "can't create output file /x/y.p2d\n\nCancel ends Kestrel: your unsaved "
            "polygons are first saved to " +
                recovered + ".");
  EXPECT_NE(TempDir::Read(recovered).find("2.25 0 0"), std::string::npos);

  // Nothing unsaved: the box is as ever, and Cancel ends the program at once.
  modified = 0;
  ui.notifyAnswers.push_back(false);
  EXPECT_THROW(Notify(2705, "can't open input file %s", "z"), ProcessEnded);
  EXPECT_EQ(ui.notifications[1].text, "can't open input file z");
}

TEST_F(RecoveryTest, CancelKeepsTheProgramOpenWhenTheWorkCannotBeSaved) {
  UnsavedWorkInAMissingFolder(dir);
  NowhereToRecover nowhere(dir);
  ui.notifyAnswers.push_back(false);
  EXPECT_EQ(Notify(3916, "can't create output file %s", fileName), 1);
  ASSERT_EQ(ui.warnings.size(), 1u);
  EXPECT_NE(ui.warnings[0].text.find("could not be saved"), std::string::npos);
  EXPECT_NE(ui.warnings[0].text.find("Kestrel stays open"), std::string::npos);
  EXPECT_EQ(store.polygonCount, 1);
}

}  // namespace
}  // namespace kestrel::testing
