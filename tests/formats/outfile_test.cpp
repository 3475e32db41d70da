#include "formats/outfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fixture.h"

namespace kestrel::testing {
namespace {

int FilesIn(const std::string& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(OutputFile, ReplacesTheTargetOnlyOnCommit) {
  TempDir dir;
  const std::string name = dir.File("CELL.INP");
  TempDir::Write(name, "old");
  {
    OutputFile out(name);
    ASSERT_TRUE(out.ok());
    out.Print("%s %i\n", "new", 1);
    EXPECT_EQ(TempDir::Read(name), "old") << "nothing reaches the target before the commit";
    EXPECT_TRUE(out.Commit());
  }
  EXPECT_EQ(TempDir::Read(name), "new 1\n");
  EXPECT_EQ(FilesIn(dir.path()), 1);
}

TEST(OutputFile, AnAbandonedOrFailedFileLeavesTheOldOne) {
  TempDir dir;
  const std::string name = dir.File("EFDC.INP");
  TempDir::Write(name, "old");
  {
    OutputFile out(name);
    out.Put("half a file");
  }  // never committed
  EXPECT_EQ(TempDir::Read(name), "old");
  {
    OutputFile out(name);
    out.Put("written");
    out.Fail();
    EXPECT_FALSE(out.Commit());
  }
  EXPECT_EQ(TempDir::Read(name), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1) << "no temporary file is left behind";
}

TEST(OutputFile, AFolderThatDoesNotExistFailsCleanly) {
  TempDir dir;
  OutputFile out(dir.File("missing/x.txt"));
  EXPECT_FALSE(out.ok());
  out.Print("ignored %d", 1);
  EXPECT_FALSE(out.Commit());
}

TEST(OutputFile, AFullDeviceIsReportedAndNeverReplaced) {
  OutputFile out("/dev/full");
  ASSERT_NE(out.stream(), nullptr);
  out.Put(std::string(1 << 16, 'x'));
  EXPECT_FALSE(out.Commit());
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

}  // namespace
}  // namespace kestrel::testing
