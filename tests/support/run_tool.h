// Runs kestrel-grid as a user runs it, with its standard error captured.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace kestrel::testing {

struct ToolRun {
  int exitCode;
  std::string err;
};

// `args` is put on the command line as it is (quote names yourself); with a
// `workDir` the tool runs there.
inline ToolRun RunGrid(const std::string& args, const std::string& workDir = "") {
  std::string command;
  if (!workDir.empty()) command = "cd '" + workDir + "' && ";
  command += std::string("'") + KESTREL_GRID_PROGRAM + "' " + args + " 2>&1 1>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int status = pclose(pipe);
  return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace kestrel::testing
