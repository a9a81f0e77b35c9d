#include "tests/support/ScriptedPlatform.h"

#include "engine/BitCodec.h"
#include "engine/Korimocom.h"
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

// Behaves like the password dialog: setup on opening (OperationFailed = 1),
// then either an accepted entry of at most 8 CP932 bytes or the close box.
void ScriptedPlatform::ShowPasswordDialog() {
  ++passwordDialogs;
  Korimocom::DialogOpening = 0;
  Korimocom::OperationFailed = 1;
  while (!passwords.empty()) {
    std::optional<std::string> entry = passwords.front();
    passwords.pop_front();
    if (!entry) return;
    if (Korimocom::AnsiByteLength(*entry) > 8) {
      MessageBox(msg::kPasswordTooLong, platform::Buttons::Ok, platform::Icon::Exclamation);
      continue;
    }
    Korimocom::Password = *entry;
    Korimocom::OperationFailed = 0;
    return;
  }
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
