// The user-interaction port of korimo-cli. There is nobody to click a box:
// every message becomes one line on stderr, the one Yes/No question
// (replacing sound the image already carries) is answered from a
// command-line flag, and the password entry is the password given on the
// command line.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace korimo::cli {

// Text from a picture or a file name is data: control characters are written
// as \n, \r, \t or \xHH (and a backslash as \\), so that it can neither add
// lines to the output nor reach the terminal as a command.
std::string Escaped(const std::string& text);

class ConsolePort : public platform::Platform {
 public:
  // Messages go to `err` (std::cerr by default).
  ConsolePort();
  explicit ConsolePort(std::ostream& err);

  // The answer to the Yes/No question: Yes when replacing is allowed.
  void SetReplaceAllowed(bool allowed) { replaceAllowed_ = allowed; }
  // What the password entry is given; std::nullopt = closed without an entry.
  void SetPasswordEntry(std::optional<std::string> entry) { passwordEntry_ = std::move(entry); }

  // Put before every message line from now on (korimo-cli names the file a
  // message is about when it reads several).
  void SetMessagePrefix(std::string prefix) { prefix_ = std::move(prefix); }

  // A line of information on stderr.
  void Note(const std::string& text) { WriteLine(text); }

  platform::Answer MessageBox(const std::string& text, platform::Buttons buttons, platform::Icon icon) override;
  void NotifyWithReason(const std::string& text, const std::string& reason) override;
  std::optional<std::string> AskPassword() override;
  void SetWaitCursor(bool) override {}
  platform::PlayResult PlaySound(const std::string& path) override;

 private:
  void WriteLine(const std::string& text, const std::string& reason = {});

  std::ostream& err_;
  bool replaceAllowed_ = false;
  std::optional<std::string> passwordEntry_;
  std::string prefix_;
};

}  // namespace korimo::cli
