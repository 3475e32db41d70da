#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fixture.h"
#include "run_tool.h"

namespace kestrel::testing {
namespace {

TEST(KestrelGrid, ReadsTheBundledExample) {
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  TempDir dir;  // the outputs land in the working folder
  ToolRun r = RunGrid("'" + example + "'", dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("reading " + example + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("14 lines read, 2 polygons found\n"), std::string::npos) << r.err;
}

TEST(KestrelGrid, ReadsADrawingByItsName) {
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.dxf";
  TempDir dir;  // the outputs land in the working folder
  ToolRun r = RunGrid("'" + example + "'", dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("reading " + example + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("86 lines read, 2 polygons found\n"), std::string::npos) << r.err;

  // The upper-case ending selects the same reader.
  const std::string upper = dir.File("CHANNEL.DXF");
  TempDir::Write(upper, TempDir::Read(example));
  r = RunGrid("'" + upper + "'", dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("86 lines read, 2 polygons found\n"), std::string::npos) << r.err;

  // A drawing without polygons is a failure of the run.
  const std::string empty = dir.File("empty.dxf");
  TempDir::Write(empty, "  0\nEOF\n");
  r = RunGrid("'" + empty + "'", dir.path());
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("non-fatal error code 3219: file does not contain any polygons"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

TEST(KestrelGrid, MissingInputIsReportedWithExitOne) {
  TempDir dir;
  const std::string missing = dir.File("nothing.p2d");
  ToolRun r = RunGrid("'" + missing + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("non-fatal error code 2705: can't open input file " + missing + "\n"), std::string::npos)
      << r.err;
}

TEST(KestrelGrid, FileWithoutPolygonsExitsOne) {
  TempDir dir;
  TempDir::Write(dir.File("words.p2d"), "no numbers here\n");
  ToolRun r = RunGrid("words.p2d", dir.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("file does not contain any polygons"), std::string::npos) << r.err;
}

TEST(KestrelGrid, DegenerateDrawingExitsOne) {
  TempDir dir;
  TempDir::Write(dir.File("line.p2d"), "LINE l\n0 0\n0 5\n");
  ToolRun r = RunGrid("line.p2d", dir.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("non-fatal error code 836: polygons are degenerate in X"), std::string::npos) << r.err;
}

TEST(KestrelGrid, UsageErrorsExit64) {
  EXPECT_EQ(RunGrid("").exitCode, 64);
  EXPECT_EQ(RunGrid("-C").exitCode, 64);
  EXPECT_EQ(RunGrid("--bogus x.p2d").exitCode, 64);
  EXPECT_EQ(RunGrid("a.p2d b.p2d").exitCode, 64);
  EXPECT_EQ(RunGrid("--help").exitCode, 0);
}

TEST(KestrelGrid, OutputFolderIsCreated) {
  TempDir dir;
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  ToolRun r = RunGrid("-C out/deeper '" + example + "'", dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("out/deeper")));
}

}  // namespace
}  // namespace kestrel::testing
