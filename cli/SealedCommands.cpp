// korimo-cli embed --sealed and extract --sealed.
#include <memory>
#include <optional>
#include <string>

#include "cli/CommandSupport.h"
#include "engine/Messages.h"

namespace korimo::cli {

// embed --sealed: the same steps up to the sound, then the sealing.
int RunEmbedSealed(const Arguments& args, ConsolePort& console) {
  if (!PassphraseAcceptable(args, console)) return kRefused;
  std::string memo = args.memo.value_or(std::string());
  if (args.memoFile) {
    std::optional<std::string> text = ReadMemoFile(*args.memoFile);
    if (!text) return kRefused;
    memo = std::move(*text);
  }
  const std::unique_ptr<sealed::Passphrase> passphrase = PassphraseOf(args);
  Messages messages;
  if (messages(commands::OpenImage(args.files[0], kOpenWithoutSound)) != commands::ImageOutcome::Opened)
    return messages.Refuse(msg::kCannotRead);
  console.SetReplaceAllowed(args.replace);
  if (messages(commands::OpenSound(args.files[1])) != commands::SoundOutcome::Opened)
    return messages.Refuse(msg::kCannotLoad);
  if (messages(commands::SealSound(*passphrase, memo, msg::kLoadBothToSynthesize)) !=
      commands::SynthesisOutcome::Done)
    return messages.Refuse(msg::kSoundDoesNotFit);
  if (!messages(commands::Save(args.output))) return messages.Refuse(msg::kCannotSave);
  return kSuccess;
}

// extract --sealed: nothing is written unless the whole sound opened.
int RunExtractSealed(const Arguments& args, ConsolePort& console) {
  if (!PassphraseAcceptable(args, console)) return kRefused;
  const std::unique_ptr<sealed::Passphrase> passphrase = PassphraseOf(args);
  Messages messages;
  if (messages(commands::OpenImage(args.files[0], kOpenWithoutSound)) != commands::ImageOutcome::Opened)
    return messages.Refuse(msg::kCannotRead);
  std::optional<sealed::Opened> opened;
  switch (commands::OpenSealed(*passphrase, opened).kind) {
    case commands::SealedOpenOutcome::Opened: break;
    case commands::SealedOpenOutcome::NotOpened: return kLockedSound;
    case commands::SealedOpenOutcome::Unreadable: return kRefused;
  }
  if (!messages(commands::KeepSound(opened->sound, opened->memo, args.output, args.memoOut))) return kRefused;
  return kSuccess;
}

}  // namespace korimo::cli
