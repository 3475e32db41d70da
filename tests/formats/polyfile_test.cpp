#include "formats/polyfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "fixture.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class PolygonFileTest : public KestrelTest {
 protected:
  TempDir dir;

  long ReadText(const std::string& text) {
    const std::string name = dir.File("in.p2d");
    TempDir::Write(name, text);
    std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
    return ReadPolygonFile();
  }
  std::string WriteStore() {
    const std::string name = dir.File("out.p2d");
    std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
    EXPECT_TRUE(WritePolygonFile());
    return TempDir::Read(name);
  }
};

TEST_F(PolygonFileTest, ReadsAClosedPolygon) {
  EXPECT_EQ(ReadText("POLY a\n0 0 1\n1 0 1\n1 1 1\n0 0 1\nEND\n"), 1);
  ASSERT_EQ(store.polygonCount, 1);
  const Polygon& p = PolygonAt(0);
  EXPECT_STREQ(p.name, "a");
  EXPECT_EQ(p.count, 4);
  EXPECT_EQ(p.closed, 1);
  EXPECT_EQ(p.selection, 0);
  EXPECT_EQ(p.color, 0);
  EXPECT_EQ(p.points[2].z, 1);
  EXPECT_EQ(ui.statuses.front(), "reading " + std::string(fileName));
  EXPECT_EQ(ui.LastStatus(), "6 lines read, 1 polygons found");
  EXPECT_EQ(cornerMarks, 0);
}

TEST_F(PolygonFileTest, ClosedNeedsMoreThanThreePoints) {
  ReadText("POLY t\n0 0\n1 0\n0 0\nEND\n");
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_EQ(PolygonAt(0).count, 3);
  EXPECT_EQ(PolygonAt(0).closed, 0);
}

TEST_F(PolygonFileTest, DefaultNamesAndCarriedZ) {
  // Bare points before any header belong to "P0"; a header without a name
  // gives P and the polygon's 1-based store number.
  ReadText("1 2 7\n5,6\nPOLY\n1 2\n3 4\nEND\nLINE\t,named\n9 9\n8 8\n");
  ASSERT_EQ(store.polygonCount, 3);
  EXPECT_STREQ(PolygonAt(0).name, "P0");
  EXPECT_EQ(PolygonAt(0).points[1].x, 5);
  EXPECT_EQ(PolygonAt(0).points[1].y, 6);
  EXPECT_EQ(PolygonAt(0).points[1].z, 7) << "z carries over from the last line that gave one";
  EXPECT_STREQ(PolygonAt(1).name, "P2");
  EXPECT_EQ(PolygonAt(1).points[0].z, 7);
  EXPECT_STREQ(PolygonAt(2).name, "named");
  EXPECT_EQ(PolygonAt(2).color, 2);
}

TEST_F(PolygonFileTest, HeaderOnlyKeywordAtStartOfFile) {
  ReadText("POLY\n1 2\n3 4\n");
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "P1");
  EXPECT_EQ(PolygonAt(0).points[0].z, 0);
  EXPECT_EQ(PolygonAt(0).points[1].z, 0);
}

TEST_F(PolygonFileTest, NamesAreCutAt31Characters) {
  ReadText("POLY abcdefghijklmnopqrstuvwxyz0123456789\n0 0\n1 1\n");
  EXPECT_STREQ(PolygonAt(0).name, "abcdefghijklmnopqrstuvwxyz01234");
}

TEST_F(PolygonFileTest, CornerMarksAndDroppedDuplicates) {
  const std::string text =
      "POLY q\n"
      "0 0 0 \x11"
      "1\n"
      "0 0 0 \x11"
      "2\n"  // duplicate: dropped with its mark
      "4 0 0 \x11"
      "2\n"
      "4 4 0 \x11"
      "3 \x11"
      "4\n"  // only the first mark of a line counts
      "0 4 0 \x11"
      "4\n"
      "0 0 0\n"
      "END\n";
  ReadText(text);
  ASSERT_EQ(store.polygonCount, 1);
  const Polygon& p = PolygonAt(0);
  EXPECT_EQ(p.count, 5);
  EXPECT_EQ(p.closed, 1);
  EXPECT_EQ(p.corners[0], 1);
  EXPECT_EQ(p.corners[1], 2);
  EXPECT_EQ(p.corners[2], 3);
  EXPECT_EQ(p.corners[3], 4);
  EXPECT_EQ(cornerMarks, 1);
}

TEST_F(PolygonFileTest, WindowsLineEndsAreRead) {
  ReadText("POLY a\r\n0 0 1\r\n1 0 1\r\n1 1 1\r\n0 0 1\r\nEND\r\n");
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "a");
  EXPECT_EQ(PolygonAt(0).closed, 1);
}

TEST_F(PolygonFileTest, NonFiniteCoordinatesNeverReachTheStore) {
  ReadText("POLY a\n0 0\nnan 1\n1 inf\n1 0 -inf\n1 1\nEND\n");
  ASSERT_EQ(store.polygonCount, 1);
  const Polygon& p = PolygonAt(0);
  ASSERT_EQ(p.count, 2);
  for (int k = 0; k < p.count; ++k) {
    EXPECT_TRUE(std::isfinite(p.points[k].x) && std::isfinite(p.points[k].y) && std::isfinite(p.points[k].z));
  }
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2821);
  EXPECT_NE(ui.notifications[0].text.find("3 point lines"), std::string::npos);
  EXPECT_NE(ui.notifications[0].text.find("line 3"), std::string::npos);
}

TEST_F(PolygonFileTest, MissingAndEmptyFilesAreReported) {
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("missing.p2d").c_str());
  EXPECT_EQ(ReadPolygonFile(), -1);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2705);
  EXPECT_EQ(ui.notifications[0].text, "can't open input file " + dir.File("missing.p2d"));

  EXPECT_EQ(ReadText("just some words\nEND\n"), 0);
  ASSERT_EQ(ui.notifications.size(), 2u);
  EXPECT_EQ(ui.notifications[1].code, 2815);
  EXPECT_EQ(ui.notifications[1].text, "file does not contain any polygons");
  EXPECT_EQ(store.polygonCount, 0);
}

TEST_F(PolygonFileTest, ReadingAppendsAndReusesClearedSlots) {
  ReadText("POLY a\n0 0\n1 1\n");
  PolygonAt(0).selection = 1;
  ClearPolygons();
  ReadText("POLY b\n0 0\n1 1\n");
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "b");
  EXPECT_EQ(PolygonAt(0).selection, 0);
}

TEST_F(PolygonFileTest, ProgressIsShownEveryThousandLines) {
  std::string text = "POLY long\n";
  for (int k = 0; k < 5000; ++k) text += std::to_string(k) + " " + std::to_string(k % 7) + " 0\n";
  ReadText(text);
  int progress = 0;
  for (const auto& s : ui.statuses) progress += s.find("% reading ") != std::string::npos;
  EXPECT_EQ(progress, 5);
  EXPECT_EQ(PolygonAt(0).count, 5000) << "the point buffer grows past 1000 points";
}

TEST_F(PolygonFileTest, WriterKeywordsDigitsAndMarks) {
  AddPolygon("sq", {{0, 0}, {123456.789012, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("two", {{1, 2}, {3, 4}});
  AddPolygon("one", {{-0.5, 1e-12}});
  Polygon& empty = PrepareNewPolygon(1);
  SetPolygonName(empty, "empty");
  ++store.polygonCount;
  PolygonAt(0).corners[0] = 1;
  PolygonAt(0).corners[1] = 2;
  PolygonAt(0).corners[2] = 2;
  modified = 1;

  std::string text = WriteStore();
  EXPECT_EQ(text,
            "POLY sq\n0 0 0\n123456.789 0 0\n1 1 0\n0 1 0\n0 0 0\nEND\n"
            "LINE two\n1 2 0\n3 4 0\nEND\n"
            "POINT one\n-0.5 1E-12 0\nEND\n");
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(ui.LastStatus(), "14 lines written, 4 polygons saved");

  cornerMarks = 1;
  text = WriteStore();
  EXPECT_NE(text.find("0 0 0 \x11"
                      "1\n123456.789 0 0 \x11"
                      "2 \x11"
                      "3\n"),
            std::string::npos)
      << text;
}

TEST_F(PolygonFileTest, RoundTripKeepsNineSignificantDigits) {
  AddPolygon("a", {{0.123456789, -98765.4321}, {1e20, 3}, {2, 2}, {0.123456789, -98765.4321}});
  PolygonAt(0).points[1].z = 1.5;
  WriteStore();
  ClearPolygons();
  ReadPolygonFile();
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_EQ(PolygonAt(0).points[0].x, 0.123456789);
  EXPECT_EQ(PolygonAt(0).points[0].y, -98765.4321);
  EXPECT_EQ(PolygonAt(0).points[1].x, 1e20);
  EXPECT_EQ(PolygonAt(0).points[1].z, 1.5);
  EXPECT_EQ(PolygonAt(0).closed, 1);
}

TEST_F(PolygonFileTest, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
  const std::string name = dir.File("keep.p2d");
  const std::string old = "POLY old\n0 0 0\n1 1 0\nEND\n";
  TempDir::Write(name, old);
  chmod(name.c_str(), 0640);
  std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
  // Enough points that the writer must go past a tiny file-size limit.
  std::initializer_list<std::pair<double, double>> pts = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 200; ++i) AddPolygon("polygon", pts, true);
  modified = 1;

  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{512, 512};
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = WritePolygonFile();
    _exit(!ok && modified == 1 && ui.notifications.size() == 1 && ui.notifications[0].code == 3916 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the writer must report the failure and keep modified";
  EXPECT_EQ(TempDir::Read(name), old) << "the old file survives a failed save";
  // Nothing is left behind beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);

  EXPECT_TRUE(WritePolygonFile());
  struct stat st;
  ASSERT_EQ(stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "a save keeps the file's permissions";
}

TEST_F(PolygonFileTest, SaveIntoAMissingFolderIsReported) {
  AddPolygon("a", {{0, 0}, {1, 1}});
  modified = 1;
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("no/such/folder/x.p2d").c_str());
  EXPECT_FALSE(WritePolygonFile());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 3916);
  EXPECT_EQ(ui.notifications[0].text, "can't create output file " + std::string(fileName));
  EXPECT_EQ(modified, 1);
}

TEST_F(PolygonFileTest, SavingThroughASymbolicLinkKeepsTheLink) {
  const std::string real = dir.File("real.p2d");
  const std::string link = dir.File("link.p2d");
  TempDir::Write(real, "old\n");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  AddPolygon("a", {{0, 0}, {1, 1}});
  std::snprintf(fileName, sizeof fileName, "%s", link.c_str());
  EXPECT_TRUE(WritePolygonFile());
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(TempDir::Read(real), "LINE a\n0 0 0\n1 1 0\nEND\n");
}

TEST_F(PolygonFileTest, WritingAnEmptyStoreIsAnInternalError) {
  try {
    WritePolygonFile();
    FAIL();
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 3910);
    EXPECT_STREQ(a.what(), "there are no polygons to save");
  }
}

TEST(PolygonFileLines, PointLineParsing) {
  double x = 0, y = 0, z = -1;
  EXPECT_EQ(ParsePointLine("  1.5 ,\t2e3", x, y, z), 2);
  EXPECT_EQ(x, 1.5);
  EXPECT_EQ(y, 2000);
  EXPECT_EQ(z, -1);
  EXPECT_EQ(ParsePointLine("1 2 3 junk", x, y, z), 3);
  EXPECT_EQ(z, 3);
  EXPECT_EQ(ParsePointLine("1;2", x, y, z), 1);
  EXPECT_EQ(ParsePointLine("END", x, y, z), 0);
  EXPECT_EQ(ParsePointLine("", x, y, z), 0);
  char name[32] = "unchanged";
  EXPECT_FALSE(ParseHeaderName("POLY\n", name));
  EXPECT_STREQ(name, "unchanged");
  EXPECT_TRUE(ParseHeaderName("LINE ,, river", name));
  EXPECT_STREQ(name, "river");
  EXPECT_EQ(FindCornerMark("1 2 3"), 0);
  EXPECT_EQ(FindCornerMark("1 2 3 \x11"
                           "4 \x11"
                           "2"),
            2);
}

}  // namespace
}  // namespace kestrel::testing
