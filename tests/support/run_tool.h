// Runs programs as a user runs them: kestrel-grid with its standard error
// captured, or any shell command.
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

struct ShellRun {
  int exitCode;
  std::string out;
};

// Runs a shell command; returns its exit code and its standard output (add
// 2>&1 to the command for its errors too).
inline ShellRun RunShell(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int status = pclose(pipe);
  return ShellRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

#ifdef KESTREL_GRID_PROGRAM
// `args` is put on the command line as it is (quote names yourself); with a
// `workDir` the tool runs there. Returns what it wrote on standard error.
inline ToolRun RunGrid(const std::string& args, const std::string& workDir = "") {
  std::string command;
  if (!workDir.empty()) command = "cd '" + workDir + "' && ";
  const ShellRun r = RunShell(command + "'" + KESTREL_GRID_PROGRAM + "' " + args + " 2>&1 1>/dev/null");
  return ToolRun{r.exitCode, r.out};
}
#endif

}  // namespace kestrel::testing
