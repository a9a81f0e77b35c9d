// What a command step ended with, and which message it showed. While a step
// runs, a ShownMessage
// stands between the procedures and the user-interaction port: it passes
// every call on unchanged and keeps the text of the last message that
// reached the user, so that the step can return it with its outcome instead
// of the caller counting lines or asking the port afterwards. Steps nest: the
// outer step sees what the inner one showed, because the inner one passes it on.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace korimo::commands {

// What a step ended with, and the text of the last message it showed (empty
// when it showed none; a question answered Yes is no message). The message
// texts are those of engine/Messages.h, so the text names the message.
template <typename Kind>
struct Outcome {
  Kind kind{};
  std::string shown;

  operator Kind() const { return kind; }
  friend bool operator==(const Outcome& a, Kind b) { return a.kind == b; }
};

class ShownMessage final : public platform::Platform {
 public:
  ShownMessage() : port_(platform::Current()) { platform::SetCurrent(this); }
  ~ShownMessage() override { platform::SetCurrent(&port_); }
  ShownMessage(const ShownMessage&) = delete;
  ShownMessage& operator=(const ShownMessage&) = delete;

  // The text of the last message shown so far; empty when none was.
  const std::string& Text() const { return text_; }
  // `kind` with the message shown so far.
  template <typename Kind>
  Outcome<Kind> Said(Kind kind) const {
    return {kind, text_};
  }

  platform::Answer MessageBox(const std::string& text, platform::Buttons buttons, platform::Icon icon) override {
    const platform::Answer answer = port_.MessageBox(text, buttons, icon);
    // A question answered Yes lets the step go on: it is no message of its end.
    if (buttons != platform::Buttons::YesNo || answer != platform::Answer::Yes) text_ = text;
    return answer;
  }
  void NotifyWithReason(const std::string& text, const std::string& reason) override {
    port_.NotifyWithReason(text, reason);
    text_ = text;
  }
  std::optional<std::string> AskPassword() override { return port_.AskPassword(); }
  void SetWaitCursor(bool wait) override { port_.SetWaitCursor(wait); }
  void DoEvents() override { port_.DoEvents(); }
  platform::PlayResult PlaySound(const std::string& path) override { return port_.PlaySound(path); }
  platform::PlayResult PlaySoundBytes(const std::uint8_t* wav, std::size_t size) override {
    return port_.PlaySoundBytes(wav, size);
  }
  bool DeleteFile(const std::string& path) override { return port_.DeleteFile(path); }

 private:
  platform::Platform& port_;
  std::string text_;
};

}  // namespace korimo::commands
