#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "fixture.h"

namespace kestrel::testing {
namespace {

struct GridRun {
  int exitCode;
  std::string err;
};

// Runs kestrel-grid with the given arguments, standard error captured.
GridRun RunGrid(const std::string& args, const std::string& workDir = "") {
  std::string command;
  if (!workDir.empty()) command = "cd '" + workDir + "' && ";
  command += std::string("'") + KESTREL_GRID_PROGRAM + "' " + args + " 2>&1 1>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int status = pclose(pipe);
  return GridRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(KestrelGrid, ReadsTheBundledExample) {
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.p2d";
  GridRun r = RunGrid("'" + example + "'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("reading " + example + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("14 lines read, 2 polygons found\n"), std::string::npos) << r.err;
}

TEST(KestrelGrid, ReadsADrawingByItsName) {
  const std::string example = std::string(KESTREL_EXAMPLES_DIR) + "/channel.dxf";
  GridRun r = RunGrid("'" + example + "'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("reading " + example + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("86 lines read, 2 polygons found\n"), std::string::npos) << r.err;

  // The upper-case ending selects the same reader.
  TempDir dir;
  const std::string upper = dir.File("CHANNEL.DXF");
  TempDir::Write(upper, TempDir::Read(example));
  r = RunGrid("'" + upper + "'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("86 lines read, 2 polygons found\n"), std::string::npos) << r.err;

  // A drawing without polygons is a failure of the run.
  const std::string empty = dir.File("empty.dxf");
  TempDir::Write(empty, "  0\nEOF\n");
  r = RunGrid("'" + empty + "'");
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("non-fatal error code 3219: file does not contain any polygons"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kestrel::testing
