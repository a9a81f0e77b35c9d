// korimo-cli embed and extract: the window's commands in the order a user
// would give them, the console port answering the dialogs.
#include <optional>
#include <span>
#include <string>

#include "cli/CommandSupport.h"
#include "engine/Messages.h"

namespace korimo::cli {

using namespace Korimocom;

int RunEmbed(const Arguments& args, ConsolePort& console) {
  if (args.sealed) return RunEmbedSealed(args, console);
  if (!PasswordAcceptable(args, console)) return kRefused;
  // Each message names the file it is about; one about the typed memo or
  // the password names none.
  const auto about = [&](const std::string* path) {
    console.SetMessagePrefix(path ? Escaped(*path) + ": " : std::string());
  };
  std::optional<std::string> memo = args.memo;
  if (args.memoFile) {
    about(&*args.memoFile);
    memo = ReadMemoFile(*args.memoFile);
    if (!memo) return kRefused;
  }

  // The picture is read as the embedding needs it and written out part by
  // part, so it is never in memory whole.
  Messages messages;
  about(&args.files[0]);
  if (messages(commands::OpenImage(args.files[0], kOpenWithSound)) != commands::ImageOutcome::Opened)
    return messages.Refuse(msg::kCannotRead);

  // The open-sound command: the replace question, if the image carries sound,
  // is answered from --replace; without it the user learns what to add
  // rather than the window's question. A sound made smaller says so on stderr.
  if (SoundLoaded == 1 && !args.replace) {
    platform::Notify("the picture carries a sound already; --replace replaces it and its memo");
    return kRefused;
  }
  console.SetReplaceAllowed(args.replace);
  about(&args.files[1]);
  std::optional<media::SoundForm> fitted;
  const media::SoundFitting fitting = args.fit ? media::SoundFitting::Any : media::SoundFitting::Converted;
  if (messages(commands::OpenSound(args.files[1], fitting, &fitted)) != commands::SoundOutcome::Opened)
    return messages.Refuse(msg::kCannotLoad);
  if (fitted) console.Note(media::FittedMessage(*fitted));

  // The memo command and its dialog: the allowance first, then the memo.
  about(args.memoFile ? &*args.memoFile : nullptr);
  if (memo) {
    if (messages(commands::OpenMemoEntry()) != commands::MemoRoom::Available)
      return messages.Refuse(msg::kNoRoomForMemo);
    if (!messages(commands::StoreMemo(*memo))) return messages.Refuse(msg::kMemoTooLong);
  }

  // The synthesize command: the password dialog takes the --password value;
  // without one the entry is empty, which means no password.
  console.SetPasswordEntry(args.password.value_or(std::string()));
  about(&args.files[0]);
  switch (messages(commands::Synthesize(msg::kLoadBothToSynthesize)).kind) {
    case commands::SynthesisOutcome::Done: break;
    case commands::SynthesisOutcome::Cancelled: return messages.Refuse(msg::kPasswordTooLong);
    default: return messages.Refuse(msg::kSoundDoesNotFit);
  }

  about(&args.output);
  if (!messages(commands::Save(args.output))) return messages.Refuse(msg::kCannotSave);
  return kSuccess;
}

int RunExtract(const Arguments& args, ConsolePort& console) {
  if (args.sealed) return RunExtractSealed(args, console);
  if (!PasswordAcceptable(args, console)) return kRefused;
  // The header, the sound and the memo record are all extract needs.
  Messages messages;
  console.SetMessagePrefix(Escaped(args.files[0]) + ": ");
  if (messages(commands::OpenImage(args.files[0], kOpenWithSound)) != commands::ImageOutcome::Opened)
    return messages.Refuse(msg::kCannotRead);

  if (Synthesized == 2) {
    platform::Notify(msg::kHasLockedSound);
    return kLockedSound;
  }
  if (Synthesized != 1 || SoundLoaded != 1) return messages.Refuse(msg::kLoadCarrier);
  // The WAV file proper is the first SoundSize bytes of the sound area; the
  // memo record and the padding behind it are not part of it.
  if (SoundSize < 4 || static_cast<std::size_t>(SoundSize) > SoundBytes.size())
    return messages.Refuse(msg::kCannotLoad);

  const std::string memoText = commands::CarrierMemo();

  console.SetMessagePrefix(std::string());
  // Both files are written beside their targets first and moved into place
  // only when both writes succeeded.
  const std::span<const Byte> wav(SoundBytes.data(), static_cast<std::size_t>(SoundSize));
  if (!messages(commands::KeepSound(wav, memoText, args.output, args.memoOut))) return kRefused;
  return kSuccess;
}

}  // namespace korimo::cli
