#include "cli/Commands.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "commands/Commands.h"
#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "engine/Sealed.h"
#include "engine/StatusText.h"
#include "media/BmpLoad.h"
#include "platform/FileIO.h"
#include "platform/PendingFile.h"

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

// The passphrase of --sealed is checked before any file is read; it never
// goes to the password entry of the carrier format.
bool PassphraseAcceptable(const Arguments& args, ConsolePort& console) {
  console.SetPasswordEntry(std::nullopt);
  const std::string& phrase = args.password.value_or(std::string());
  if (phrase.empty())
    platform::Notify(msg::kPassphraseEmpty);
  else if (phrase.size() > sealed::kMaxPassphraseBytes)
    platform::Notify(msg::kPassphraseTooLong);
  else if (!sealed::PassphraseAcceptable(phrase))
    platform::Notify(msg::kPassphraseNotUtf8);
  else
    return true;
  return false;
}

// A copy of the passphrase in locked memory; the copy made here is wiped.
std::unique_ptr<sealed::Passphrase> PassphraseOf(const Arguments& args) {
  std::string copy = *args.password;
  return std::make_unique<sealed::Passphrase>(copy);
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

// The name `capacity` assumes for the sound: as short as a WAV file's name
// usually gets ("a.wav"); each further byte of the name leaves a byte less.
constexpr int kCapacityNameBytes = 5;

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

namespace {

// What info reports about one carrier.
struct InfoRecord {
  std::string file;
  bool failed = false;
  std::string error;  // the message, when failed
  Long dataSize = 0;
  Long capacity = 0;
  int kind = 0;
  const char* sound = "none";
  Long soundSize = 0;
  std::string name;
  Long memoBytes = 0;
  bool locked = false;
  // Shown by info --sealed only: the sound, name and memo bytes a sealed
  // picture of it can hold.
  std::optional<std::size_t> sealedCapacity;
};

// With a passphrase, the sealed sound takes the place of what the ordinary
// reading found; a picture it does not open counts as locked.
void InspectSealed(InfoRecord& r, const sealed::Passphrase& passphrase, const ConsolePort& console) {
  std::optional<sealed::Opened> opened;
  switch (commands::OpenSealed(passphrase, opened)) {
    case commands::SealedOpenOutcome::Opened: break;
    case commands::SealedOpenOutcome::NotOpened: r.locked = true; return;
    case commands::SealedOpenOutcome::Unreadable:
      r.failed = true;
      r.error = console.LastMessage();
      return;
  }
  r.sound = "sealed";
  r.soundSize = static_cast<Long>(opened->sound.size());
  r.name = opened->name;
  r.memoBytes = static_cast<Long>(opened->memo.size());
}

InfoRecord Inspect(const std::string& path, ConsolePort& console, const sealed::Passphrase* passphrase) {
  InfoRecord r;
  r.file = path;
  ResetWorkData();  // nothing of the previous file carries over
  const int before = console.MessagesShown();
  try {
    // A data-size field too small for any sound area leaves the picture
    // loaded after "データがロードできません。": that is a failure too.
    if (OpenImage(path) && SoundAreaSize >= 0) {
      // The sound's figures are shown only when it is available, as the
      // window shows them only for an unlocked sound.
      const bool present = Synthesized == 1;
      if (present) {
        r.memoBytes = MemoLength();
        if (CarrierKind == 1) r.name = layout::StoredSoundName();
      }
      r.dataSize = ImageDataSize;
      r.capacity = std::max<Long>(layout::LargestSound(kCapacityNameBytes), 0);
      r.kind = CarrierKind;
      r.sound = SoundState();
      r.soundSize = present ? SoundSize : 0;
      r.locked = Synthesized == 2;
      if (passphrase) {
        r.sealedCapacity = sealed::SealedCapacity();
        InspectSealed(r, *passphrase, console);
      }
      return r;
    }
    Refuse(console, before, msg::kCannotRead);
  } catch (const ImageReadFailure&) {
    platform::Notify(msg::kCannotLoad);
  }
  r.failed = true;
  r.error = console.LastMessage();
  return r;
}

void PrintFields(const InfoRecord& r, std::ostream& out) {
  out << "image-data-size: " << r.dataSize << '\n'
      << "carrier-kind: " << r.kind << '\n'
      << "sound: " << r.sound << '\n'
      << "sound-size: " << r.soundSize << '\n'
      << "sound-name: " << Escaped(r.name) << '\n'
      << "memo-bytes: " << r.memoBytes << '\n'
      << "capacity: " << r.capacity << '\n';
  if (r.sealedCapacity) out << "sealed-capacity: " << *r.sealedCapacity << '\n';
}

// One line of JSON. Texts that are not valid UTF-8 (a file name is any bytes)
// get U+FFFD in place of the bad bytes.
void PrintJson(const InfoRecord& r, std::ostream& out) {
  nlohmann::ordered_json j;
  j["file"] = r.file;
  if (r.failed) {
    j["error"] = r.error;
  } else {
    j["image-data-size"] = r.dataSize;
    j["carrier-kind"] = r.kind;
    j["sound"] = r.sound;
    j["sound-size"] = r.soundSize;
    j["sound-name"] = r.name;
    j["memo-bytes"] = r.memoBytes;
    j["capacity"] = r.capacity;
    if (r.sealedCapacity) j["sealed-capacity"] = *r.sealedCapacity;
  }
  out << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

int RunInfo(const Arguments& args, ConsolePort& console) {
  if (!(args.sealed ? PassphraseAcceptable(args, console) : PasswordAcceptable(args, console))) return kRefused;
  const std::unique_ptr<sealed::Passphrase> passphrase = args.sealed ? PassphraseOf(args) : nullptr;
  // The header, the carrier header and the memo record are all info needs.
  SetImageReading(ImageReading::OnDemand);
  SetExtractionScope(ExtractionScope::MemoLength);
  const bool several = args.files.size() > 1;
  bool anyFailed = false;
  bool anyLocked = false;
  for (std::size_t i = 0; i < args.files.size(); ++i) {
    const std::string& path = args.files[i];
    // Each message names the file it is about.
    console.SetMessagePrefix(Escaped(path) + ": ");
    const InfoRecord r = Inspect(path, console, passphrase.get());
    anyFailed = anyFailed || r.failed;
    anyLocked = anyLocked || r.locked;
    if (args.json) {
      PrintJson(r, std::cout);
    } else if (several) {
      if (i > 0) std::cout << '\n';
      std::cout << "file: " << Escaped(path) << '\n';
      if (r.failed)
        std::cout << "error: " << Escaped(r.error) << '\n';
      else
        PrintFields(r, std::cout);
    } else if (!r.failed) {
      PrintFields(r, std::cout);
    }
    std::cout.flush();
  }
  console.SetMessagePrefix(std::string());
  if (!std::cout || anyFailed) return kRefused;
  return anyLocked ? kLockedSound : kSuccess;
}

namespace {

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
  SetImageReading(ImageReading::OnDemand);
  SetExtractionScope(ExtractionScope::MemoLength);
  const int before = console.MessagesShown();
  if (!OpenImage(args.files[0])) return Refuse(console, before, msg::kCannotRead);
  console.SetReplaceAllowed(args.replace);
  if (commands::OpenSound(args.files[1]) != commands::SoundOutcome::Opened)
    return Refuse(console, before, msg::kCannotLoad);
  if (commands::SealSound(*passphrase, memo, msg::kLoadBothToSynthesize) != commands::SynthesisOutcome::Done)
    return Refuse(console, before, msg::kSoundDoesNotFit);
  if (!commands::Save(args.output)) return Refuse(console, before, msg::kCannotSave);
  return kSuccess;
}

// extract --sealed: nothing is written unless the whole sound opened.
int RunExtractSealed(const Arguments& args, ConsolePort& console) {
  if (!PassphraseAcceptable(args, console)) return kRefused;
  const std::unique_ptr<sealed::Passphrase> passphrase = PassphraseOf(args);
  SetImageReading(ImageReading::OnDemand);
  SetExtractionScope(ExtractionScope::MemoLength);
  const int before = console.MessagesShown();
  if (!OpenImage(args.files[0])) return Refuse(console, before, msg::kCannotRead);
  std::optional<sealed::Opened> opened;
  switch (commands::OpenSealed(*passphrase, opened)) {
    case commands::SealedOpenOutcome::Opened: break;
    case commands::SealedOpenOutcome::NotOpened: return kLockedSound;
    case commands::SealedOpenOutcome::Unreadable: return kRefused;
  }
  fileio::PendingFile wavFile;
  fileio::PendingFile memoFile;
  if (!wavFile.Prepare(args.output, opened->sound.data(), opened->sound.size()))
    return Refuse(console, before, msg::kCannotSave);
  const auto* memoBytes = reinterpret_cast<const std::uint8_t*>(opened->memo.data());
  if (args.memoOut && !memoFile.Prepare(*args.memoOut, memoBytes, opened->memo.size()))
    return Refuse(console, before, msg::kCannotSave);
  if (!wavFile.Commit()) return Refuse(console, before, msg::kCannotSave);
  if (args.memoOut && !memoFile.Commit()) return Refuse(console, before, msg::kCannotSave);
  return kSuccess;
}

}  // namespace

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
  SetImageReading(ImageReading::OnDemand);
  const int before = console.MessagesShown();
  about(&args.files[0]);
  if (!OpenImage(args.files[0])) return Refuse(console, before, msg::kCannotRead);

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
  if (commands::OpenSound(args.files[1], args.fit ? media::SoundFitting::Any : media::SoundFitting::Converted,
                          &fitted) != commands::SoundOutcome::Opened)
    return Refuse(console, before, msg::kCannotLoad);
  if (fitted) console.Note(media::FittedMessage(*fitted));

  // The memo command and its dialog: the allowance first, then the memo.
  about(args.memoFile ? &*args.memoFile : nullptr);
  if (memo) {
    if (commands::OpenMemoEntry() != commands::MemoRoom::Available)
      return Refuse(console, before, msg::kNoRoomForMemo);
    if (!commands::StoreMemo(*memo)) return Refuse(console, before, msg::kMemoTooLong);
  }

  // The synthesize command: the password dialog takes the --password value;
  // without one the entry is empty, which means no password.
  console.SetPasswordEntry(args.password.value_or(std::string()));
  about(&args.files[0]);
  switch (commands::Synthesize(msg::kLoadBothToSynthesize)) {
    case commands::SynthesisOutcome::Done: break;
    case commands::SynthesisOutcome::Cancelled: return Refuse(console, before, msg::kPasswordTooLong);
    default: return Refuse(console, before, msg::kSoundDoesNotFit);
  }

  about(&args.output);
  if (!commands::Save(args.output)) return Refuse(console, before, msg::kCannotSave);
  return kSuccess;
}

int RunExtract(const Arguments& args, ConsolePort& console) {
  if (args.sealed) return RunExtractSealed(args, console);
  if (!PasswordAcceptable(args, console)) return kRefused;
  // The header, the sound and the memo record are all extract needs.
  SetImageReading(ImageReading::OnDemand);
  const int before = console.MessagesShown();
  console.SetMessagePrefix(Escaped(args.files[0]) + ": ");
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

  console.SetMessagePrefix(std::string());
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
