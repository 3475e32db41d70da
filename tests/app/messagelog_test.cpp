#include "app/messagelog.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "app/report.h"
#include "app/window.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

class MessageLogTest : public KestrelTest {
 protected:
  std::string Text(size_t k) const { return messageLog.entries.at(k).text; }
};

TEST_F(MessageLogTest, KeepsResultsAndBoxesWithTheirTimeButNotTheMousePosition) {
  ShowStatus("2 polygons linked: 80 active cells");
  HoverStatus(HoverTarget::Plot, -1, 10, 20);
  EXPECT_STREQ(statusText, "10:20") << "the status line behaves as before";
  Notify(2705, "can't open input file %s\nsecond line", "x.p2d");
  ShowStatus("");
  ASSERT_EQ(messageLog.entries.size(), 2u);
  EXPECT_EQ(Text(0), "2 polygons linked: 80 active cells");
  EXPECT_EQ(Text(1), "non-fatal error code 2705: can't open input file x.p2d\nsecond line");
  for (const LogEntry& entry : messageLog.entries) {
    EXPECT_TRUE(std::regex_match(entry.time, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]"))) << entry.time;
  }
  const std::string line = LogEntryText(messageLog.entries[1]);
  EXPECT_EQ(line.substr(8), "  non-fatal error code 2705: can't open input file x.p2d\n          second line");
  ResetProgramState();
  EXPECT_TRUE(messageLog.entries.empty());
}

TEST_F(MessageLogTest, ProgressKeepsItsLatestCountAndRepeatsAreCounted) {
  ShowStatusF(true, "reading %s", "a.p2d");
  for (int percent = 1; percent <= 99; ++percent) ShowStatusF(true, "%i%% reading a.p2d", percent);
  ShowStatusF(true, "14 lines read, 2 polygons found");
  ShowStatusF(true, "gridding polygon 1 of 2 (left)");
  ShowStatusF(true, "gridding polygon 2 of 2 (right)");
  for (int k = 0; k < 3; ++k) ShowStatus("there are no polygons to zoom");
  // Results are never merged, even when only their numbers differ.
  ShowStatus("2 polygons linked: 80 active cells");
  ShowStatus("3 polygons linked: 120 active cells");
  ASSERT_EQ(messageLog.entries.size(), 8u) << MessageLogText();
  EXPECT_EQ(Text(0), "reading a.p2d");
  EXPECT_EQ(Text(1), "99% reading a.p2d");
  EXPECT_EQ(Text(2), "14 lines read, 2 polygons found");
  EXPECT_EQ(Text(3), "gridding polygon 1 of 2 (left)");
  EXPECT_EQ(Text(4), "gridding polygon 2 of 2 (right)");
  EXPECT_EQ(LogEntryText(messageLog.entries[5]).substr(8), "  there are no polygons to zoom (3 times)");
  EXPECT_EQ(Text(7), "3 polygons linked: 120 active cells");
}

TEST_F(MessageLogTest, TheOldestGoWhenItIsFull) {
  for (size_t k = 0; k < kMaxLogEntries + 5; ++k) ShowStatus(("result " + std::string(k % 2 ? "a" : "b")).c_str());
  EXPECT_EQ(messageLog.entries.size(), kMaxLogEntries);
  EXPECT_EQ(messageLog.dropped, 5u);
  EXPECT_EQ(MessageLogText().rfind("(5 earlier messages are no longer kept)\n", 0), 0u);
}

}  // namespace
}  // namespace kestrel::testing
