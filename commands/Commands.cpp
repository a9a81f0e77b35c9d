#include "commands/Commands.h"

#include <exception>

#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/ImageSource.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "engine/Synthesis.h"
#include "engine/TextFields.h"
#include "media/BmpClassic.h"
#include "media/BmpLoad.h"
#include "media/CarrierSave.h"
#include "media/SynthesisImage.h"
#include "media/WavLoad.h"
#include "platform/Platform.h"

namespace korimo::commands {

using namespace Korimocom;

namespace {

platform::Platform& Port() { return platform::Current(); }

// Runs a step as IgnoringErrors does; false when it stopped because a picture
// read on demand could not give a part it holds.
template <typename Step>
bool PictureReadable(Step&& step) {
  bool readable = true;
  IgnoringErrors([&] {
    try {
      step();
    } catch (const ImageReadFailure&) {
      readable = false;
    }
  });
  return readable;
}

}  // namespace

ImageOutcome OpenImage(const std::string& path, const std::function<void()>& onLoaded) {
  Port().SetWaitCursor(true);
  OperationFailed = 0;
  IgnoringErrors([&] { LoadImageData(path); });

  ImageOutcome outcome = ImageOutcome::Refused;
  bool unreadable = false;
  if (ImageLoaded == 1 && OperationFailed == 0) {
    if (onLoaded) IgnoringErrors(onLoaded);
    unreadable = !PictureReadable([] { ExtractSound(); });
    ImageSaved = 1;
    outcome = ImageOutcome::Opened;
  }
  if (unreadable) {
    // The same end as a picture that cannot be read whole.
    Port().SetWaitCursor(false);
    platform::Notify(msg::kCannotLoad);
    ImageLoaded = 0;
    SoundLoaded = 0;
    Synthesized = 0;
    IgnoringErrors([] { DiscardTempSound(); });
    outcome = ImageOutcome::Lost;
  } else if (ImageLoaded == 0 && OperationFailed == 0) {
    // The file could not be read whole: no image any more.
    IgnoringErrors([] { DiscardTempSound(); });
    ImageSaved = 1;
    outcome = ImageOutcome::Lost;
  }
  OperationFailed = 0;
  Port().SetWaitCursor(false);
  return outcome;
}

SoundOutcome OpenSound(const std::string& path) {
  Port().SetWaitCursor(true);
  OperationFailed = 0;
  IgnoringErrors([&] { LoadSoundData(path); });

  SoundOutcome outcome = SoundOutcome::Refused;
  if (SoundLoaded == 1 && OperationFailed == 0) {
    SoundPath = path;  // playback plays the chosen file itself
    Synthesized = 0;   // not embedded yet
    ImageSaved = 1;
    outcome = SoundOutcome::Opened;
  } else if (SoundLoaded == 0 && OperationFailed == 0) {
    if (ImageLoaded != 1) IgnoringErrors([] { DiscardTempSound(); });
    ImageSaved = 1;
    outcome = SoundOutcome::Lost;
  }
  OperationFailed = 0;
  Port().SetWaitCursor(false);
  return outcome;
}

bool ReadyToSynthesize(const char* loadBothMessage) {
  if (Synthesized != 0) {
    platform::Notify(msg::kAlreadySynthesized);
    return false;
  }
  if (ImageLoaded != 1 || SoundLoaded != 1) {
    platform::Notify(loadBothMessage);
    return false;
  }
  return true;
}

SynthesisOutcome Synthesize(const char* loadBothMessage) {
  if (!ReadyToSynthesize(loadBothMessage)) return SynthesisOutcome::NotReady;
  if (!RequestPassword()) return SynthesisOutcome::Cancelled;

  // A picture read on demand that cannot give a part it holds any more ends
  // the synthesis as a read failure; what was embedded so far is never saved.
  bool ready = false;
  const bool readable = PictureReadable([&] {
    ready = PrepareImageForSynthesis();
    if (ready) SynthesizeSound();
  });
  if (!readable) {
    platform::Notify(msg::kCannotLoad);
    OperationFailed = 1;
    return SynthesisOutcome::Refused;
  }
  if (!ready || OperationFailed != 0) return SynthesisOutcome::Refused;

  Synthesized = 1;
  // The next "音声＆メモ再生" takes the sound out of the new carrier.
  IgnoringErrors([] { DiscardTempSound(); });
  return SynthesisOutcome::Done;
}

SynthesisOutcome SealSound(const sealed::Passphrase& passphrase, const std::string& memo,
                           const char* loadBothMessage) {
  if (!ReadyToSynthesize(loadBothMessage)) return SynthesisOutcome::NotReady;
  if (SoundSize < 0 || static_cast<std::size_t>(SoundSize) > SoundBytes.size()) {
    platform::Notify(msg::kSoundDoesNotFit);
    return SynthesisOutcome::Refused;
  }
  Port().SetWaitCursor(true);
  sealed::SealOutcome outcome = sealed::SealOutcome::DoesNotFit;
  bool failed = false;
  const bool readable = PictureReadable([&] {
    // The positions count from offset 54: a picture whose pixels lie
    // elsewhere is rewritten into the classic layout first, as for "合成".
    std::optional<ByteArray> classic;
    if (!media::HasClassicLayout(ImageBytes)) {
      RequireAllImageBytes();
      classic = media::ClassicLayoutOf(ImageBytes);
      if (classic) ImageBytes.swap(*classic);
    }
    try {
      const std::span<const Byte> sound(SoundBytes.data(), static_cast<std::size_t>(SoundSize));
      outcome = sealed::Seal(passphrase, {sound, FileTitleOf(SoundPath), memo});
    } catch (const std::bad_alloc&) {
      failed = true;  // no memory for the key derivation or the sealed stream
    }
    if (outcome != sealed::SealOutcome::Sealed && classic) ImageBytes.swap(*classic);
    if (outcome == sealed::SealOutcome::Sealed) ImageFileSize = static_cast<Long>(ImageBytes.size());
  });
  Port().SetWaitCursor(false);
  if (!readable || failed) {
    platform::Notify(msg::kCannotLoad);
    return SynthesisOutcome::Refused;
  }
  if (outcome != sealed::SealOutcome::Sealed) {
    platform::Notify(msg::kSoundDoesNotFit);
    return SynthesisOutcome::Refused;
  }
  Synthesized = 1;
  ImageSaved = 0;
  IgnoringErrors([] { DiscardTempSound(); });
  return SynthesisOutcome::Done;
}

SealedOpenOutcome OpenSealed(const sealed::Passphrase& passphrase, std::optional<sealed::Opened>& opened) {
  opened.reset();
  bool failed = false;
  Port().SetWaitCursor(true);
  const bool readable = PictureReadable([&] {
    try {
      opened = sealed::Open(passphrase);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
  });
  Port().SetWaitCursor(false);
  if (!readable || failed) {
    platform::Notify(msg::kCannotLoad);
    return SealedOpenOutcome::Unreadable;
  }
  if (!opened) {
    platform::Notify(msg::kSealedNotOpened);
    return SealedOpenOutcome::NotOpened;
  }
  return SealedOpenOutcome::Opened;
}

MemoRoom OpenMemoEntry() {
  int nameBytes = 0;
  try {
    nameBytes = AnsiByteLength(FileTitleOf(SoundPath));
  } catch (const std::exception&) {
    nameBytes = layout::kMaxNameBytes + 1;  // too long to count: as good as too long to store
  }
  // The entry counts as cancelled until a memo is stored.
  OperationFailed = 1;
  if (nameBytes > layout::kMaxNameBytes) return MemoRoom::NameTooLong;

  Long allowance = 0;
  try {
    // Counted over the bytes synthesis really embeds, already capped at 32767.
    allowance = layout::MemoCapacityFor();
  } catch (const std::exception&) {
    allowance = 0;
  }
  MemoCapacity = allowance;
  if (allowance < 1) {
    platform::Notify(msg::kNoRoomForMemo);
    return MemoRoom::None;
  }
  return MemoRoom::Available;
}

bool StoreMemo(const std::string& text) {
  try {
    PutMemo(text, layout::kMemoFileName);
  } catch (const std::exception&) {
    // A memo the engine cannot even measure is refused as too long.
    OperationFailed = 1;
    platform::Notify(msg::kMemoTooLong);
  }
  return OperationFailed == 0;
}

bool Save(const std::string& path) {
  if (ImageLoaded != 1) {
    SaveImageData(path);  // refuses with its own message
    return false;
  }
  // SaveImageData marks only success; a failed save keeps the old mark.
  const Integer before = ImageSaved;
  ImageSaved = 0;
  SaveImageData(path);
  if (ImageSaved == 1) return true;
  ImageSaved = before;
  return false;
}

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
  Port().SetWaitCursor(true);
  IgnoringErrors([] { ExtractSound(); });
  Port().DoEvents();
  Port().SetWaitCursor(false);
  return CarrierSoundOutcome::Extracted;
}

bool LoadCarrierMemo() {
  if (Synthesized != 1) {
    MemoFileName.clear();
    MemoText.clear();
    return false;
  }
  Long memoBytes = 0;
  IgnoringErrors([&] { memoBytes = GetMemo(MemoFileName, MemoText); });
  return memoBytes > 0;
}

void DiscardTempSound() { DeleteTempWav(); }

void Clear() {
  IgnoringErrors([] { DiscardTempSound(); });
  ResetWorkData();
}

}  // namespace korimo::commands
