// A platform backend for tests: records every message box with its buttons
// and icon, answers the Yes/No question and the password dialog from a script,
// and records what would have been played.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace korimo::test {

struct RecordedMessage {
  std::string text;
  platform::Buttons buttons;
  platform::Icon icon;
  bool waitCursorWhileShown;  // the hourglass must be off around a box
};

class ScriptedPlatform : public platform::Platform {
 public:
  // Installs itself as the current backend; the destructor restores the silent one.
  ScriptedPlatform();
  ~ScriptedPlatform() override;

  platform::Answer MessageBox(const std::string& text, platform::Buttons buttons,
                              platform::Icon icon) override;
  std::optional<std::string> AskPassword() override;
  void SetWaitCursor(bool wait) override { waitCursor = wait; }
  platform::PlayResult PlaySound(const std::string& path) override;

  // Script: answers to Yes/No questions (default when empty: defaultAnswer).
  std::deque<platform::Answer> answers;
  platform::Answer defaultAnswer = platform::Answer::Yes;
  // Script: password dialog entries; std::nullopt = closed with the close box.
  // When empty, the dialog is closed without acceptance.
  std::deque<std::optional<std::string>> passwords;
  // What the sound service answers.
  platform::PlayResult playResult = platform::PlayResult::Started;

  std::vector<RecordedMessage> messages;
  int passwordDialogs = 0;
  std::vector<std::string> played;
  bool waitCursor = false;

  // Texts of the recorded messages, in order.
  std::vector<std::string> Texts() const;
  void Clear();
};

}  // namespace korimo::test
