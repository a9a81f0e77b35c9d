#include "platform/console/ConsolePlatform.h"

#include <iostream>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/Cp932.h"

namespace korimo::platform {

namespace {
// The header's password field holds 8 bytes.
constexpr std::size_t kMaxPasswordBytes = 8;
}  // namespace

bool PasswordTooLong(const std::string& password) {
  return cp932::FromUtf8(password).size() > kMaxPasswordBytes;
}

ConsolePlatform::ConsolePlatform() : ConsolePlatform(std::cerr) {}

ConsolePlatform::ConsolePlatform(std::ostream& err) : err_(err) {}

void ConsolePlatform::WriteLine(const std::string& text) {
  // One message, one line: a caller parsing stderr must never see a message
  // split over several lines.
  std::string line;
  line.reserve(text.size());
  for (char c : text) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
  err_ << line << '\n';
  err_.flush();
  ++messagesShown_;
}

Answer ConsolePlatform::MessageBox(const std::string& text, Buttons buttons, Icon) {
  if (buttons == Buttons::YesNo) {
    if (replaceAllowed_) return Answer::Yes;
    // Answered No: the question is the reason the command stops, so say it.
    WriteLine(text);
    return Answer::No;
  }
  WriteLine(text);
  return Answer::Ok;
}

void ConsolePlatform::ShowPasswordDialog() {
  // Same contract as the window's dialog: OperationFailed is 1 from the
  // opening on and becomes 0 only when an entry is accepted.
  Korimocom::DialogOpening = 0;
  Korimocom::OperationFailed = 1;
  if (!passwordEntry_) return;
  if (PasswordTooLong(*passwordEntry_)) {
    // The window's dialog would stay open for a correction; here nobody can
    // type one, so it closes without acceptance.
    WriteLine(msg::kPasswordTooLong);
    return;
  }
  Korimocom::Password = *passwordEntry_;
  Korimocom::OperationFailed = 0;
}

// korimo-cli has no play command, so it carries no sound service: linking
// the audio library would double the start-up time of every command.
PlayResult ConsolePlatform::PlaySound(const std::string& /*path*/) { return PlayResult::ServiceUnavailable; }

}  // namespace korimo::platform
