#include "tests/cli/CliRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <stdexcept>

#include "tests/support/TestFiles.h"

namespace korimo::test {

CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                 const std::string& tempDir, const CliLimits& limits) {
  // The streams are captured in files of their own, apart from both folders
  // the run is given (either may be missing on purpose).
  std::string outPath = (std::filesystem::temp_directory_path() / "korimo-cli-stdout-XXXXXX").string();
  std::string errPath = (std::filesystem::temp_directory_path() / "korimo-cli-stderr-XXXXXX").string();
  const int outFd = mkstemp(outPath.data());
  const int errFd = mkstemp(errPath.data());
  if (outFd < 0 || errFd < 0) throw std::runtime_error("cannot capture the streams");
  close(outFd);
  close(errFd);
  std::vector<std::string> argv{KORIMO_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int out = limits.standardOutput ? open(limits.standardOutput, O_WRONLY)
                                          : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || chdir(workDir.c_str()) != 0) _exit(127);
    dup2(out, 1);
    dup2(err, 2);
    if (limits.maxFileBytes >= 0) {
      // A write past the limit then fails with EFBIG instead of killing the child.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit rl{static_cast<rlim_t>(limits.maxFileBytes), static_cast<rlim_t>(limits.maxFileBytes)};
      setrlimit(RLIMIT_FSIZE, &rl);
    }
    setenv("TMPDIR", tempDir.c_str(), 1);
    setenv("TEMP", tempDir.c_str(), 1);
    if (limits.addressSpace != 0) {
      const rlimit bound{limits.addressSpace, limits.addressSpace};
      if (setrlimit(RLIMIT_AS, &bound) != 0) _exit(127);
    }
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (limits.killAfterSeconds > 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.killAfterSeconds);
    pid_t done = 0;
    while ((done = wait4(pid, &status, WNOHANG, &usage)) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) kill(pid, SIGKILL);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done != pid) throw std::runtime_error("waitpid failed");
  } else if (wait4(pid, &status, 0, &usage) != pid) {
    throw std::runtime_error("waitpid failed");
  }
  CliResult r;
  r.peakKb = usage.ru_maxrss;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  const auto out = ReadFile(outPath);
  const auto err = ReadFile(errPath);
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return r;
}

}  // namespace korimo::test
