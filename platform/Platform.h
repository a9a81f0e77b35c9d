// The services of the desktop that the engine and the media procedures need.
// engine/ and media/ reach the user only through this interface; the window
// (platform/qt), korimo-cli (platform/console) and the tests (a scripted
// backend) each provide one.
#pragma once

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

  // Shows the password dialog modally. Reads and writes only the working set:
  // on acceptance Password holds the entry and OperationFailed is 0; closed
  // without acceptance, OperationFailed is 1 and Password is unchanged.
  virtual void ShowPasswordDialog() = 0;

  // The screen-wide hourglass: one state, not a stack.
  virtual void SetWaitCursor(bool wait) = 0;

  // Lets pending window events run once.
  virtual void DoEvents() {}

  // Starts playing a WAV file asynchronously; a new playback replaces a running one.
  virtual PlayResult PlaySound(const std::string& path) = 0;

  // Deletes a file by name; a missing file is no error. Returns false on failure.
  virtual bool DeleteFile(const std::string& path);
};

// The backend in use. Before SetCurrent, a silent backend answers OK / No,
// refuses the password dialog and plays nothing.
Platform& Current();
void SetCurrent(Platform* platform);

// Shorthand for the usual box: exclamation icon, OK button.
inline void Notify(const std::string& text) {
  Current().MessageBox(text, Buttons::Ok, Icon::Exclamation);
}

}  // namespace korimo::platform
