#include "tests/support/ScriptedPlatform.h"

#include "engine/CarrierLayout.h"
#include "engine/Messages.h"

namespace korimo::test {

ScriptedPlatform::ScriptedPlatform() { platform::SetCurrent(this); }
ScriptedPlatform::~ScriptedPlatform() { platform::SetCurrent(nullptr); }

platform::Answer ScriptedPlatform::MessageBox(const std::string& text, platform::Buttons buttons,
                                              platform::Icon icon) {
  messages.push_back({text, buttons, icon, waitCursor});
  if (buttons == platform::Buttons::Ok) return platform::Answer::Ok;
  if (answers.empty()) return defaultAnswer;
  platform::Answer a = answers.front();
  answers.pop_front();
  return a;
}

// Behaves like the password dialog: an accepted entry that fits the header,
// or the close box. An entry too long for the header is refused with the
// dialog's message, and the next scripted entry is typed.
std::optional<std::string> ScriptedPlatform::AskPassword() {
  ++passwordDialogs;
  while (!passwords.empty()) {
    std::optional<std::string> entry = passwords.front();
    passwords.pop_front();
    if (!entry) return std::nullopt;
    if (!layout::PasswordFits(*entry)) {
      MessageBox(msg::kPasswordTooLong, platform::Buttons::Ok, platform::Icon::Exclamation);
      continue;
    }
    return entry;
  }
  return std::nullopt;
}

platform::PlayResult ScriptedPlatform::PlaySound(const std::string& path) {
  played.push_back(path);
  return playResult;
}

std::vector<std::string> ScriptedPlatform::Texts() const {
  std::vector<std::string> out;
  for (const auto& m : messages) out.push_back(m.text);
  return out;
}

void ScriptedPlatform::Clear() {
  messages.clear();
  played.clear();
  passwordDialogs = 0;
}

}  // namespace korimo::test
