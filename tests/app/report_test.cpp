#include "app/report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fixture.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

using ReportTest = KestrelTest;

TEST_F(ReportTest, AbortShowsItsCodeInTheCaption) {
  try {
    Abort(4438, "illegal code in undo stack");
    FAIL();
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 4438);
    EXPECT_EQ(a.caption, "Fatal Error Code 4438");
    EXPECT_STREQ(a.what(), "illegal code in undo stack");
  }
}

TEST_F(ReportTest, MessagesAreLimitedTo1023Characters) {
  const std::string fits(1023, 'x');
  EXPECT_EQ(Notify(7, "%s", fits.c_str()), 1);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, fits);
  EXPECT_EQ(ui.notifications[0].caption, "non-fatal error code 7");

  const std::string tooLong(1024, 'x');
  try {
    Notify(7, "%s", tooLong.c_str());
    FAIL();
  } catch (const ProcessEnded& e) {
    EXPECT_STREQ(e.what(), "Notify(): buffer overflow");
  }
  try {
    Abort(7, "%s", tooLong.c_str());
    FAIL();
  } catch (const ProcessEnded& e) {
    EXPECT_STREQ(e.what(), "Abort(): buffer overflow");
  }
  EXPECT_TRUE(ui.aborts.empty()) << "an overflowing message never reaches a box";
}

TEST_F(ReportTest, CaptionOverflowIsFatal) {
  // "non-fatal error code " is 21 characters: a code of 11 characters
  // needs 32 and overflows the 31-character caption.
  try {
    Notify(-2000000000, "text");
    FAIL();
  } catch (const ProcessEnded& e) {
    EXPECT_STREQ(e.what(), "Notify(): header overflow");
  }
}

TEST_F(ReportTest, CancelInANotifyBoxEndsTheProgram) {
  ui.notifyAnswers.push_back(false);
  try {
    Notify(2705, "can't open input file %s", "x.p2d");
    FAIL();
  } catch (const ProcessEnded& e) {
    EXPECT_EQ(e.exitCode, 0);
  }
}

TEST_F(ReportTest, WindowTextIsLimitedTo127Characters) {
  WindowText(WindowId::Main, "%s", std::string(127, 'w').c_str());
  try {
    WindowText(WindowId::Main, "%s", std::string(128, 'w').c_str());
    FAIL();
  } catch (const ProcessEnded& e) {
    EXPECT_STREQ(e.what(), "WindowText(): buffer overflow");
  }
}

TEST_F(ReportTest, StatusTextIsCutAt511Characters) {
  ShowStatus(std::string(600, 's').c_str(), true);
  EXPECT_EQ(std::strlen(statusText), 511u);
  ASSERT_EQ(ui.statuses.size(), 1u);
  EXPECT_TRUE(ui.statusesNow[0]);
  ShowStatusF(false, "%li lines read, %li polygons found", 14L, 2L);
  EXPECT_EQ(ui.LastStatus(), "14 lines read, 2 polygons found");
}

TEST_F(ReportTest, ReallocateCopiesTheOldPartAndZeroesTheRest) {
  auto* old = static_cast<unsigned char*>(AllocZeroed(1, 1000, 104));
  std::memset(old, 0xAB, 1000 * 104);
  auto* grown = static_cast<unsigned char*>(Reallocate(1, old, 1000, 2000, 104));
  for (size_t k = 0; k < 104000; ++k) ASSERT_EQ(grown[k], 0xAB) << k;
  for (size_t k = 104000; k < 208000; ++k) ASSERT_EQ(grown[k], 0) << k;
  auto* shrunk = static_cast<unsigned char*>(Reallocate(1, grown, 2000, 10, 104));
  EXPECT_EQ(shrunk[0], 0xAB);
  FreeBlock(shrunk);

  auto* fresh = static_cast<unsigned char*>(Reallocate(1, nullptr, 0, 8, 3));
  for (size_t k = 0; k < 24; ++k) EXPECT_EQ(fresh[k], 0);
  FreeBlock(fresh);
}

TEST_F(ReportTest, AllocationFailuresNameTheSizesAndTheCallersCode) {
  const size_t huge = (kMaxBlockBytes / 24) + 1;
  try {
    AllocZeroed(2716, huge, 24);
    FAIL();
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 2716);
    const std::string expected = "can't allocate memory " + std::to_string(huge) + "x24=" + std::to_string(huge * 24) +
                                 " bytes\nWin error code ";
    EXPECT_EQ(std::string(a.what()).substr(0, expected.size()), expected);
  }
  try {
    Reallocate(641, nullptr, 65536, huge, 24);
    FAIL();
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 641);
    const std::string expected = "can't reallocate memory 65536x24=1572864 -> " + std::to_string(huge) + "x24=";
    EXPECT_EQ(std::string(a.what()).substr(0, expected.size()), expected);
  }
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// A front end whose fatal box returns, as a real one does once dismissed.
class DismissingFrontEnd : public ScriptedFrontEnd {
 public:
  void AbortBox(int code, const char* caption, const char* text) override {
    aborts.push_back(Box{code, caption, text});
  }
};

void AbortWithDismissedBox() {
  static DismissingFrontEnd ui;
  SetFrontEnd(&ui);
  Abort(676, "Undo stack underflow");
}

TEST(AbortExit, EndsTheProcessWithAFailureCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(AbortWithDismissedBox(), ::testing::ExitedWithCode(kAbortExitCode), "");
  EXPECT_NE(kAbortExitCode, 0);
}

}  // namespace
}  // namespace kestrel::testing
