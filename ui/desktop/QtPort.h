// The window's user-interaction port: Qt message boxes, the password dialog,
// the wait cursor, SDL sound. The desktop services only the window needs are
// beside it: FileDialogs, HelpViewer, SingleInstance, MessageTranslation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"


namespace korimo::ui {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::PlayResult;

class QtPort final : public platform::Platform {
 public:
  // A modal QMessageBox titled "Korimo": exclamation or no icon, OK or Yes/No.
  Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) override;
  // The password dialog (Passin), modally: the accepted entry, or nothing
  // when it was closed.
  std::optional<std::string> AskPassword() override;
  // One application-wide override cursor, set or cleared; never stacked.
  void SetWaitCursor(bool wait) override;
  // One pass of the event loop.
  void DoEvents() override;
  PlayResult PlaySound(const std::string& path) override;
  PlayResult PlaySoundBytes(const std::uint8_t* wav, std::size_t size) override;

 private:
  bool waitCursorShown_ = false;
};

}  // namespace korimo::ui
