// The carrier's sound: playing it, describing it, its memo, and keeping it
// as a file of its own.
#include <algorithm>

#include "commands/Commands.h"
#include "engine/CarrierLayout.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "engine/Playback.h"
#include "platform/PendingFile.h"
#include "platform/Platform.h"

namespace korimo::commands {

using namespace Korimocom;

CarrierSoundOutcome PrepareCarrierSound() {
  if (Synthesized != 1 && Synthesized != 2) {
    platform::Notify(msg::kLoadCarrier);
    return CarrierSoundOutcome::NoCarrier;
  }
  SoundPath = layout::TempWavPath();
  bool inPlace = false;
  IgnoringErrors([&] { inPlace = ExtractedSoundInPlace(); });
  if (inPlace) return CarrierSoundOutcome::Ready;

  // Not taken out yet, removed or replaced since: take it out again.
  platform::Current().SetWaitCursor(true);
  IgnoringErrors([] { ExtractSound(); });
  platform::Current().DoEvents();
  platform::Current().SetWaitCursor(false);
  return CarrierSoundOutcome::Extracted;
}

Outcome<CarrierSoundOutcome> PlayCarrierSound(const std::function<void()>& onExtracted) {
  ShownMessage shown;
  const CarrierSoundOutcome outcome = PrepareCarrierSound();
  switch (outcome) {
    case CarrierSoundOutcome::NoCarrier:
      break;
    case CarrierSoundOutcome::Extracted:
      if (onExtracted) onExtracted();
      if (Synthesized == 1) IgnoringErrors([] { PlaySoundData(); });
      break;
    case CarrierSoundOutcome::Ready:
      IgnoringErrors([] { PlaySoundData(); });
      break;
  }
  return shown.Said(outcome);
}

void PlayLoadedSound() {
  if (!SoundPath.empty()) IgnoringErrors([] { PlaySoundData(); });
}

void PlaySoundBytes(std::span<const std::uint8_t> wav) {
  if (platform::Current().PlaySoundBytes(wav.data(), wav.size()) == platform::PlayResult::ServiceUnavailable)
    platform::Notify(msg::kCannotPlay);
}

CarrierDescription DescribeCarrier(int nameBytes, bool sealedCapacity) {
  CarrierDescription d;
  const bool present = Synthesized == 1;
  if (present) {
    d.memoBytes = MemoLength();
    if (CarrierKind == 1) d.storedName = layout::StoredSoundName();
  }
  d.imageDataSize = ImageDataSize;
  d.capacity = std::max<Long>(layout::LargestSound(nameBytes), 0);
  d.kind = CarrierKind;
  d.sound = present            ? CarrierDescription::Sound::Present
            : Synthesized == 2 ? CarrierDescription::Sound::Locked
                               : CarrierDescription::Sound::None;
  d.soundSize = present ? SoundSize : 0;
  if (sealedCapacity) d.sealedCapacity = sealed::SealedCapacity();
  return d;
}

std::string CarrierMemo() {
  std::string fileName, text;
  return GetMemo(fileName, text) > 0 ? text : std::string();
}

bool CarrierMemoCut() { return static_cast<std::size_t>(MemoLength()) > kMemoShownBytes; }

bool LoadCarrierMemo() {
  if (Synthesized != 1) {
    MemoFileName.clear();
    MemoText.clear();
    return false;
  }
  Long memoBytes = 0;
  // A memo longer than the display shows is taken only as far as it shows.
  IgnoringErrors([&] { memoBytes = GetMemo(MemoFileName, MemoText, kMemoShownBytes); });
  return memoBytes > 0;
}

Outcome<bool> SoundToKeep() {
  ShownMessage shown;
  if (Synthesized != 1 || SoundLoaded != 1 || SoundSize < 4 ||
      static_cast<std::size_t>(SoundSize) > SoundBytes.size()) {
    platform::Notify(msg::kLoadCarrier);
    return shown.Said(false);
  }
  return shown.Said(true);
}

Outcome<bool> KeepSound(std::span<const std::uint8_t> wav, const std::string& memo, const std::string& wavPath,
                        const std::optional<std::string>& memoPath) {
  ShownMessage shown;
  // Both files are written beside their targets and put in place together.
  fileio::PendingFile wavFile;
  fileio::PendingFile memoFile;
  const auto* memoBytes = reinterpret_cast<const std::uint8_t*>(memo.data());
  const bool written = wavFile.Prepare(wavPath, wav.data(), wav.size()) &&
                       (!memoPath || memoFile.Prepare(*memoPath, memoBytes, memo.size())) && wavFile.Commit() &&
                       (!memoPath || memoFile.Commit());
  if (!written) platform::Notify(msg::kCannotSave);
  return shown.Said(written);
}

Outcome<bool> KeepSound(const std::string& wavPath, const std::optional<std::string>& memoPath) {
  ShownMessage shown;
  if (!SoundToKeep()) return shown.Said(false);
  std::string memoText;
  if (memoPath) {
    IgnoringErrors([&] {
      if (GetMemo(MemoFileName, MemoText) > 0) memoText = MemoText;
    });
  }
  const std::span<const std::uint8_t> wav(SoundBytes.data(), static_cast<std::size_t>(SoundSize));
  const bool written = KeepSound(wav, memoText, wavPath, memoPath);
  return shown.Said(written);
}

}  // namespace korimo::commands
