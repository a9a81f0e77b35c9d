// korimo-cli: hides a WAV file in a BMP image and takes it out again from the
// command line, through the same procedures as the window.

#include <unistd.h>

#include <climits>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/DistinctFiles.h"
#include "cli/PasswordSource.h"
#include "cli/ConsolePort.h"
#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/RuntimeError.h"
#include "engine/Sealed.h"
#include "platform/Platform.h"
#include "platform/Version.h"

namespace {

// The directory of the running executable, ending in "/".
std::string ExecutableDir(const char* argv0) {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string path = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string(argv0 ? argv0 : "");
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

int Run(const korimo::cli::Arguments& args, korimo::cli::ConsolePort& console) {
  using namespace korimo::cli;
  switch (args.command) {
    case Command::Info: return RunInfo(args, console);
    case Command::Embed: return RunEmbed(args, console);
    case Command::Extract: return RunExtract(args, console);
    case Command::Help:
    case Command::Version: break;
  }
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korimo;
  std::vector<std::string> argList(argv + (argc > 0 ? 1 : 0), argv + argc);

  cli::Arguments args;
  try {
    args = cli::ParseArguments(argList);
    cli::RequireDistinctFiles(args);
  } catch (const cli::UsageError& e) {
    std::cerr << "korimo-cli: " << e.what() << "\nTry 'korimo-cli --help'.\n";
    return cli::kUsage;
  }
  if (args.command == cli::Command::Help) {
    std::cout << cli::UsageText();
    return cli::kSuccess;
  }
  if (args.command == cli::Command::Version) {
    std::cout << "korimo-cli " << korimo::kVersion << '\n';
    return cli::kSuccess;
  }
  if (!cli::ResolvePassword(args)) return cli::kRefused;

  cli::ConsolePort console;
  platform::SetCurrent(&console);
  Korimocom::ResetWorkData();
  Korimocom::AppDir = ExecutableDir(argc > 0 ? argv[0] : nullptr);

  // A run-time error or a picture that cannot be read any more outside the
  // steps that handle them, or memory that cannot be had, ends the command
  // as a load failure.
  int code = cli::kRefused;
  try {
    code = Run(args, console);
  } catch (const std::bad_alloc&) {
    platform::Notify(msg::kCannotLoad);
  } catch (const RuntimeError&) {
    platform::Notify(msg::kCannotLoad);
  } catch (const Korimocom::ImageReadFailure&) {
    platform::Notify(msg::kCannotLoad);
  }
  platform::SetCurrent(nullptr);
  if (args.password) sealed::Wipe(*args.password);
  return code;
}
