// The command line of korimo-cli, parsed into one plain record. Parsing only
// checks the shape of the line (command, options, number of files); what the
// files hold is the procedures' business.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace korimo::cli {

enum class Command { Help, Version, Info, Embed, Extract };

struct Arguments {
  Command command = Command::Help;
  std::vector<std::string> files;  // info: the carriers; extract: the carrier; embed: image, sound
  std::string output;              // -o
  std::optional<std::string> password;      // --password, or what the two below resolved to
  std::optional<std::string> passwordFile;  // --password-file ("-" = standard input)
  bool askPassword = false;                 // --ask-password
  std::optional<std::string> memo;
  std::optional<std::string> memoFile;
  std::optional<std::string> memoOut;
  bool replace = false;
  bool fit = false;  // embed: a WAV file that does not fit is made smaller too
  bool json = false;  // info: one JSON object per file and line
  bool sealed = false;  // --sealed: a sealed picture, the password is its passphrase
};

// A malformed command line; what() is a one-line English explanation.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Arguments ParseArguments(const std::vector<std::string>& args);

// The text printed by --help.
std::string UsageText();

}  // namespace korimo::cli
