// The user-interaction port and the desktop services the rest of the program
// needs: message boxes and questions, the password entry, the wait cursor,
// the sound service and file deletion. It is the ground floor: it knows
// nothing of the working set or the carrier format. Callers act on the
// answers it returns. The window (ui/), korimo-cli (cli/) and the tests
// (a scripted port) each provide one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace korimo::platform {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation };
enum class Answer { Ok, Yes, No };

// Outcome of handing a WAV file to the sound service.
enum class PlayResult {
  Started,             // playback runs in the background
  NotPlayable,         // missing or undecodable file: not reported, like the Windows service
  ServiceUnavailable,  // no sound service at all: the caller reports it
};

class Platform {
 public:
  virtual ~Platform() = default;

  // A modal message box titled "Korimo". Returns the button pressed.
  virtual Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) = 0;

  // Asks for a password modally. The entry as typed (UTF-8), or nothing when
  // the user closed the dialog without accepting one.
  virtual std::optional<std::string> AskPassword() = 0;

  // The screen-wide hourglass: one state, not a stack.
  virtual void SetWaitCursor(bool wait) = 0;

  // A message box (exclamation icon, OK button) for a refusal, with a short
  // English reason behind it. The box shows the message alone; a port that
  // writes lines puts the reason after the message on the same line.
  virtual void NotifyWithReason(const std::string& text, const std::string& /*reason*/) {
    MessageBox(text, Buttons::Ok, Icon::Exclamation);
  }

  // Lets pending window events run once.
  virtual void DoEvents() {}

  // Starts playing a WAV file asynchronously; a new playback replaces a running one.
  virtual PlayResult PlaySound(const std::string& path) = 0;
  // The same for a whole WAV file held in memory (a sound that must never be
  // written to disk). Ports without one have no sound service for it.
  virtual PlayResult PlaySoundBytes(const std::uint8_t* /*wav*/, std::size_t /*size*/) {
    return PlayResult::ServiceUnavailable;
  }

  // Deletes a file by name; a missing file is no error. Returns false on failure.
  virtual bool DeleteFile(const std::string& path);
};

// The port in use. Before SetCurrent, a silent port answers OK / No,
// refuses the password entry and plays nothing.
Platform& Current();
void SetCurrent(Platform* platform);

// Shorthand for the usual box: exclamation icon, OK button.
inline void Notify(const std::string& text) {
  Current().MessageBox(text, Buttons::Ok, Icon::Exclamation);
}
// The same box, and the reason (when there is one) where the port has room for it.
inline void Notify(const std::string& text, const std::string& reason) {
  if (reason.empty())
    Notify(text);
  else
    Current().NotifyWithReason(text, reason);
}

}  // namespace korimo::platform
