// Runs korimo-cli as a child process in a chosen working directory with a
// chosen temporary directory, capturing its exit status and both streams.
#pragma once

#include <string>
#include <vector>

namespace korimo::test {

struct CliResult {
  int code = -1;  // exit status; 128 + n when killed by signal n
  std::string out;
  std::string err;
  long peakKb = 0;  // the child's peak resident memory
};

// Bounds for a run that might hang or eat memory if the binary were wrong,
// and the room it has for files.
struct CliLimits {
  int killAfterSeconds = 0;          // 0: wait as long as it runs
  unsigned long long addressSpace = 0;  // bytes; 0: no limit
  long long maxFileBytes = -1;  // RLIMIT_FSIZE for the child; -1: none
  const char* standardOutput = nullptr;  // where stdout goes instead of being captured
};

// Runs the binary with `args` in `workDir`, with TMPDIR and TEMP set to
// tempDir. A run killed by the limits reports 128 + SIGKILL.
CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                 const std::string& tempDir, const CliLimits& limits = {});

}  // namespace korimo::test
