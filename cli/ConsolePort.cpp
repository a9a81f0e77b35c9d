#include "cli/ConsolePort.h"

#include <iostream>

#include "engine/CarrierLayout.h"
#include "engine/Messages.h"

namespace korimo::cli {

ConsolePort::ConsolePort() : ConsolePort(std::cerr) {}

ConsolePort::ConsolePort(std::ostream& err) : err_(err) {}

void ConsolePort::WriteLine(const std::string& text, bool counted) {
  // One message, one line: a caller parsing stderr must never see a message
  // split over several lines.
  std::string line;
  line.reserve(text.size());
  for (char c : text) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
  err_ << prefix_ << line << '\n';
  err_.flush();
  if (!counted) return;
  ++messagesShown_;
  lastMessage_ = text;
}

platform::Answer ConsolePort::MessageBox(const std::string& text, platform::Buttons buttons, platform::Icon) {
  if (buttons == platform::Buttons::YesNo) {
    if (replaceAllowed_) return platform::Answer::Yes;
    // Answered No: the question is the reason the command stops, so say it.
    WriteLine(text);
    return platform::Answer::No;
  }
  WriteLine(text);
  return platform::Answer::Ok;
}

std::optional<std::string> ConsolePort::AskPassword() {
  if (!passwordEntry_) return std::nullopt;
  if (!layout::PasswordFits(*passwordEntry_)) {
    // The window's dialog would stay open for a correction; here nobody can
    // type one, so it closes without acceptance.
    WriteLine(msg::kPasswordTooLong);
    return std::nullopt;
  }
  return passwordEntry_;
}

// korimo-cli has no play command, so it carries no sound service: linking
// the audio library would double the start-up time of every command.
platform::PlayResult ConsolePort::PlaySound(const std::string& /*path*/) {
  return platform::PlayResult::ServiceUnavailable;
}

}  // namespace korimo::cli
