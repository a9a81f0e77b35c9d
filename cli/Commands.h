// The three commands of korimo-cli. Each drives the same procedures as the
// window's commands, in the same order, and reads their outcome from the same
// working-set flags; the console backend stands in for the dialogs.
#pragma once

#include "cli/Arguments.h"
#include "platform/console/ConsolePlatform.h"

namespace korimo::cli {

enum ExitCode {
  kSuccess = 0,
  kRefused = 1,        // input refused or operation failed; the message is on stderr
  kUsage = 2,
  kLockedSound = 3,    // password-protected sound, no or a wrong password given
};

// Each expects AppDir and TempDir to be set and `console` to be the current backend.
int RunInfo(const Arguments& args, platform::ConsolePlatform& console);
int RunEmbed(const Arguments& args, platform::ConsolePlatform& console);
int RunExtract(const Arguments& args, platform::ConsolePlatform& console);

}  // namespace korimo::cli
