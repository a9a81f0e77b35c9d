// korimo-cli info: the figures of each picture named, as text or JSON lines.
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CommandSupport.h"
#include "engine/Messages.h"

namespace korimo::cli {

namespace {

using Korimocom::Long;
using Sound = commands::CarrierDescription::Sound;

// The name `capacity` assumes for the sound: as short as a WAV file's name
// usually gets ("a.wav"); each further byte of the name leaves a byte less.
constexpr int kCapacityNameBytes = 5;

// The sound word of `info`, as the window's sound state reads.
const char* SoundWord(Sound sound) {
  switch (sound) {
    case Sound::Present: return "present";
    case Sound::Locked: return "protected";
    case Sound::None: break;
  }
  return "none";
}

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
void InspectSealed(InfoRecord& r, const sealed::Passphrase& passphrase) {
  std::optional<sealed::Opened> opened;
  const auto outcome = commands::OpenSealed(passphrase, opened);
  switch (outcome.kind) {
    case commands::SealedOpenOutcome::Opened: break;
    case commands::SealedOpenOutcome::NotOpened: r.locked = true; return;
    case commands::SealedOpenOutcome::Unreadable:
      r.failed = true;
      r.error = outcome.shown;
      return;
  }
  r.sound = "sealed";
  r.soundSize = static_cast<Long>(opened->sound.size());
  r.name = opened->name;
  r.memoBytes = static_cast<Long>(opened->memo.size());
}

InfoRecord Inspect(const std::string& path, const sealed::Passphrase* passphrase) {
  InfoRecord r;
  r.file = path;
  commands::Clear();  // nothing of the previous file carries over
  Messages messages;
  std::string shown;
  try {
    const auto opened = messages(commands::OpenImage(path, kOpenWithoutSound));
    shown = opened.shown;
    // A data-size field too small for any sound area leaves the picture
    // loaded after "データがロードできません。": that is a failure too.
    if (opened == commands::ImageOutcome::Opened && Korimocom::SoundAreaSize >= 0) {
      const commands::CarrierDescription d = commands::DescribeCarrier(kCapacityNameBytes, passphrase != nullptr);
      r.dataSize = d.imageDataSize;
      r.capacity = d.capacity;
      r.kind = d.kind;
      r.sound = SoundWord(d.sound);
      r.soundSize = d.soundSize;
      r.name = d.storedName;
      r.memoBytes = d.memoBytes;
      r.locked = d.sound == Sound::Locked;
      r.sealedCapacity = d.sealedCapacity;
      if (passphrase) InspectSealed(r, *passphrase);
      return r;
    }
    if (shown.empty()) shown = msg::kCannotRead;
    messages.Refuse(msg::kCannotRead);
  } catch (const Korimocom::ImageReadFailure&) {
    platform::Notify(msg::kCannotLoad);
    shown = msg::kCannotLoad;
  }
  r.failed = true;
  r.error = shown;
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
  const bool several = args.files.size() > 1;
  bool anyFailed = false;
  bool anyLocked = false;
  for (std::size_t i = 0; i < args.files.size(); ++i) {
    const std::string& path = args.files[i];
    // Each message names the file it is about.
    console.SetMessagePrefix(Escaped(path) + ": ");
    const InfoRecord r = Inspect(path, passphrase.get());
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

}  // namespace korimo::cli
