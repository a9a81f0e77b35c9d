// The three commands of korimo-cli. Each runs the same command steps as the
// window (commands/) and acts on their outcomes; the console port stands in
// for the dialogs.
#pragma once

#include "cli/Arguments.h"
#include "cli/ConsolePort.h"

namespace korimo::cli {

enum ExitCode {
  kSuccess = 0,
  kRefused = 1,        // input refused or operation failed; the message is on stderr
  kUsage = 2,
  kLockedSound = 3,    // password-protected sound, no or a wrong password given
};

// Each expects AppDir and TempDir to be set and `console` to be the current port.
int RunInfo(const Arguments& args, ConsolePort& console);
int RunEmbed(const Arguments& args, ConsolePort& console);
int RunExtract(const Arguments& args, ConsolePort& console);

}  // namespace korimo::cli
