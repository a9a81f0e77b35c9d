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
};

// Runs the binary with `args` in `workDir`, with TMPDIR and TEMP set to tempDir.
CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                 const std::string& tempDir);

}  // namespace korimo::test
