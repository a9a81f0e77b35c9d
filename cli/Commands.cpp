#include "cli/Commands.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "commands/Commands.h"
#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "platform/FileIO.h"

namespace korimo::cli {

using namespace Korimocom;

namespace {

// A password the carrier header cannot hold is refused before any file is read.
bool PasswordAcceptable(const Arguments& args, ConsolePort& console) {
  if (args.password && !layout::PasswordFits(*args.password)) {
    platform::Notify(msg::kPasswordTooLong);
    return false;
  }
  console.SetPasswordEntry(args.password);
  return true;
}

// A failure the procedures did not put into words still gets a message.
int Refuse(ConsolePort& console, int messagesBefore, const char* fallback) {
  if (console.MessagesShown() == messagesBefore) platform::Notify(fallback);
  return kRefused;
}

// The open-image command: load, and on success look for sound in the image
// (which asks for the password of a protected carrier).
bool OpenImage(const std::string& path) { return commands::OpenImage(path) == commands::ImageOutcome::Opened; }

// The sound word of `info`, from Synthesized as the window reads it.
const char* SoundState() {
  switch (Synthesized) {
    case 1: return "present";
    case 2: return "protected";
    default: return "none";
  }
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// A leading UTF-8 byte-order mark is no part of the memo (it has no CP932 form).
std::string WithoutBom(std::string text) {
  if (text.rfind(kUtf8Bom, 0) == 0) text.erase(0, 3);
  return text;
}

// The most a memo file can hold and still fit a memo: each CP932 byte of the
// largest memo takes at most 3 UTF-8 bytes (a half-width katakana), plus a
// byte-order mark. A longer file is refused without being read whole.
constexpr std::size_t kMemoFileLimit = 3 * static_cast<std::size_t>(layout::kMemoCapacityCap) + sizeof kUtf8Bom - 1;

// The memo file's text, or std::nullopt after its message.
std::optional<std::string> ReadMemoFile(const std::string& path) {
  fileio::WholeFile file = fileio::ReadWholeFile(path, kMemoFileLimit);
  switch (file.status) {
    case fileio::WholeFile::Status::Read: return WithoutBom(std::move(file.bytes));
    case fileio::WholeFile::Status::TooLong: platform::Notify(msg::kMemoTooLong); break;
    case fileio::WholeFile::Status::Unreadable: platform::Notify(msg::kCannotLoad); break;
  }
  return std::nullopt;
}

}  // namespace

int RunInfo(const Arguments& args, ConsolePort& console) {
  if (!PasswordAcceptable(args, console)) return kRefused;
  const int before = console.MessagesShown();
  if (!OpenImage(args.files[0])) return Refuse(console, before, msg::kCannotRead);

  // The sound's figures are shown only when it is available, as the window
  // shows them only for an unlocked sound.
  const bool present = Synthesized == 1;
  Long memoBytes = 0;
  std::string name;
  if (present) {
    memoBytes = GetMemo(MemoFileName, MemoText);
    if (CarrierKind == 1) name = layout::StoredSoundName();
  }
  std::cout << "image-data-size: " << ImageDataSize << '\n'
            << "carrier-kind: " << static_cast<int>(CarrierKind) << '\n'
            << "sound: " << SoundState() << '\n'
            << "sound-size: " << (present ? SoundSize : 0) << '\n'
            << "sound-name: " << name << '\n'
            << "memo-bytes: " << (memoBytes > 0 ? memoBytes : 0) << '\n';
  std::cout.flush();
  if (!std::cout) return kRefused;
  return Synthesized == 2 ? kLockedSound : kSuccess;
}

int RunEmbed(const Arguments& args, ConsolePort& console) {
  if (!PasswordAcceptable(args, console)) return kRefused;
  std::optional<std::string> memo = args.memo;
  if (args.memoFile) {
    memo = ReadMemoFile(*args.memoFile);
    if (!memo) return kRefused;
  }

  const int before = console.MessagesShown();
  if (!OpenImage(args.files[0])) return Refuse(console, before, msg::kCannotRead);

  // The open-sound command: the replace question, if the image carries sound,
  // is answered from --replace.
  console.SetReplaceAllowed(args.replace);
  if (commands::OpenSound(args.files[1]) != commands::SoundOutcome::Opened)
    return Refuse(console, before, msg::kCannotLoad);

  // The memo command and its dialog: the allowance first, then the memo.
  if (memo) {
    if (commands::OpenMemoEntry() != commands::MemoRoom::Available)
      return Refuse(console, before, msg::kNoRoomForMemo);
    if (!commands::StoreMemo(*memo)) return Refuse(console, before, msg::kMemoTooLong);
  }

  // The synthesize command: the password dialog takes the --password value;
  // without one the entry is empty, which means no password.
  console.SetPasswordEntry(args.password.value_or(std::string()));
  switch (commands::Synthesize(msg::kLoadBothToSynthesize)) {
    case commands::SynthesisOutcome::Done: break;
    case commands::SynthesisOutcome::Cancelled: return Refuse(console, before, msg::kPasswordTooLong);
    default: return Refuse(console, before, msg::kSoundDoesNotFit);
  }

  if (!commands::Save(args.output)) return Refuse(console, before, msg::kCannotSave);
  return kSuccess;
}

int RunExtract(const Arguments& args, ConsolePort& console) {
  if (!PasswordAcceptable(args, console)) return kRefused;
  const int before = console.MessagesShown();
  if (!OpenImage(args.files[0])) return Refuse(console, before, msg::kCannotRead);

  if (Synthesized == 2) {
    platform::Notify(msg::kHasLockedSound);
    return kLockedSound;
  }
  if (Synthesized != 1 || SoundLoaded != 1) return Refuse(console, before, msg::kLoadCarrier);
  // The WAV file proper is the first SoundSize bytes of the sound area; the
  // memo record and the padding behind it are not part of it.
  if (SoundSize < 4 || static_cast<std::size_t>(SoundSize) > SoundBytes.size())
    return Refuse(console, before, msg::kCannotLoad);

  std::string memoText;
  if (GetMemo(MemoFileName, MemoText) > 0) memoText = MemoText;

  // Both files are written beside their targets first and moved into place
  // only when both writes succeeded.
  fileio::PendingFile wavFile;
  fileio::PendingFile memoFile;
  if (!wavFile.Prepare(args.output, SoundBytes.data(), static_cast<std::size_t>(SoundSize)))
    return Refuse(console, before, msg::kCannotSave);
  const auto* memoBytes = reinterpret_cast<const std::uint8_t*>(memoText.data());
  if (args.memoOut && !memoFile.Prepare(*args.memoOut, memoBytes, memoText.size()))
    return Refuse(console, before, msg::kCannotSave);
  if (!wavFile.Commit()) return Refuse(console, before, msg::kCannotSave);
  if (args.memoOut && !memoFile.Commit()) return Refuse(console, before, msg::kCannotSave);
  return kSuccess;
}

}  // namespace korimo::cli
