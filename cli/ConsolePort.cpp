#include "cli/ConsolePort.h"

#include <algorithm>
#include <iostream>

#include "engine/CarrierLayout.h"
#include "engine/Messages.h"

namespace korimo::cli {

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20 || u == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

ConsolePort::ConsolePort() : ConsolePort(std::cerr) {}

ConsolePort::ConsolePort(std::ostream& err) : err_(err) {}

void ConsolePort::WriteLine(const std::string& text, const std::string& reason) {
  // One message, one line: a caller parsing stderr must never see a message
  // split over several lines, and a name inside it sends nothing to the
  // terminal. The reason follows the message in parentheses.
  std::string line = reason.empty() ? text : text + " (" + reason + ")";
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  err_ << prefix_ << Escaped(line) << '\n';
  err_.flush();
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

void ConsolePort::NotifyWithReason(const std::string& text, const std::string& reason) { WriteLine(text, reason); }

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
