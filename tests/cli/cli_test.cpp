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
  TempDir dir;  // the outputs land in the working folder
  GridRun r = RunGrid("'" + example + "'", dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("reading " + example + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("14 lines read, 2 polygons found\n"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kestrel::testing
