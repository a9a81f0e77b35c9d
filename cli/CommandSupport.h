// What korimo-cli's commands share: the checks of --password and of the
// passphrase before any file is read, the memo file, and the fallback message
// of a step that failed without putting it into words.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/ConsolePort.h"
#include "commands/Commands.h"
#include "engine/Sealed.h"
#include "platform/Platform.h"

namespace korimo::cli {

// korimo-cli reads a picture as a command needs it, never whole, and keeps
// a carried sound in memory: no temporary file or folder is made. info and
// the sealed commands want the carrier's figures, not its sound; embed and
// extract take the sound and its memo.
inline constexpr commands::OpenOptions kOpenWithoutSound{Korimocom::ImageReading::OnDemand,
                                                         Korimocom::ExtractionScope::MemoLength};
inline constexpr commands::OpenOptions kOpenWithSound{Korimocom::ImageReading::OnDemand,
                                                      Korimocom::ExtractionScope::SoundAndMemo};

// Follows the messages a command's steps showed, so that a failure none of
// them put into words still gets one.
class Messages {
 public:
  // Passes `outcome` on, noting whether its step showed a message.
  template <typename Kind>
  commands::Outcome<Kind> operator()(commands::Outcome<Kind> outcome) {
    shown_ = shown_ || !outcome.shown.empty();
    return outcome;
  }
  // Ends the command: `fallback` is shown unless a step showed a message.
  int Refuse(const char* fallback) const {
    if (!shown_) platform::Notify(fallback);
    return kRefused;
  }

 private:
  bool shown_ = false;
};

// A password the carrier header cannot hold is refused before any file is read.
bool PasswordAcceptable(const Arguments& args, ConsolePort& console);
// The passphrase of --sealed is checked before any file is read; it never
// goes to the password entry of the carrier format.
bool PassphraseAcceptable(const Arguments& args, ConsolePort& console);
// A copy of the passphrase in locked memory; the copy made here is wiped.
std::unique_ptr<sealed::Passphrase> PassphraseOf(const Arguments& args);
// The memo file's text, or std::nullopt after its message.
std::optional<std::string> ReadMemoFile(const std::string& path);

// embed --sealed and extract --sealed.
int RunEmbedSealed(const Arguments& args, ConsolePort& console);
int RunExtractSealed(const Arguments& args, ConsolePort& console);

}  // namespace korimo::cli
