#include "commands/Commands.h"

#include <dirent.h>
#include <unistd.h>

#include <exception>
#include <new>

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
#include "platform/FileIO.h"
#include "platform/PendingFile.h"
#include "platform/Platform.h"
#include "platform/StopCleanup.h"
#include "platform/TempDir.h"

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

// Where converted sounds are written: a private folder in the temporary one.
std::string ConvertedSoundDir() { return TempDir + "converted/"; }

// Whether a WAV of `bytes` bytes named `name` fits the loaded picture. A name
// too long to store fits anything: the loader then refuses the name.
media::FitCheck FitsPictureWithName(const std::string& name) {
  int nameBytes = layout::kMaxNameBytes + 1;
  try {
    nameBytes = AnsiByteLength(name);
  } catch (const std::exception&) {
  }
  return [nameBytes](std::size_t bytes) {
    if (nameBytes > layout::kMaxNameBytes) return true;
    return bytes <= 0x7FFFFFFF && layout::SoundFits(static_cast<Long>(bytes), nameBytes);
  };
}

// Writes the converted WAV where it can be played; its path, or nothing.
std::optional<std::string> WriteConvertedSound(const media::ConvertedSound& sound) {
  DiscardConvertedSound();
  const std::string dir = ConvertedSoundDir();
  if (!platform::PrivateFolder(dir.substr(0, dir.size() - 1))) return std::nullopt;
  const std::string path = dir + sound.name;
  if (!fileio::CreateExclusive(path, sound.wav.data(), sound.wav.size())) return std::nullopt;
  // A signal that ends the program takes them along, as it does temp.wav's folder.
  fileio::RemoveWhenStopped(path);
  fileio::RemoveWhenStopped(dir, /*folder=*/true);
  return path;
}

}  // namespace

namespace {

ImageOutcome OpenImageWith(const std::function<void()>& load, const std::function<void()>& onLoaded) {
  Port().SetWaitCursor(true);
  OperationFailed = 0;
  IgnoringErrors(load);

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

}  // namespace

ImageOutcome OpenImage(const std::string& path, const std::function<void()>& onLoaded) {
  return OpenImageWith([&] { LoadImageData(path); }, onLoaded);
}

ImageOutcome OpenImage(std::span<const std::uint8_t> bmp, const std::function<void()>& onLoaded) {
  return OpenImageWith([&] { LoadImageData(bmp); }, onLoaded);
}

SoundOutcome OpenSound(const std::string& path, media::SoundFitting fitting, std::optional<media::SoundForm>* fitted) {
  Port().SetWaitCursor(true);
  OperationFailed = 0;
  // Without a picture the loader asks for one first, whatever the sound is.
  std::optional<media::ConvertedSound> converted;
  bool unreadable = false;
  if (ImageLoaded == 1) {
    try {
      converted = media::ConvertSound(path, fitting, FitsPictureWithName(media::WavNameFor(path)));
    } catch (const std::bad_alloc&) {
      unreadable = true;
    } catch (const media::SoundUnreadable&) {
      unreadable = true;
    }
  }
  if (unreadable) {
    // Refused before anything was loaded: the sound loaded before stays.
    Port().SetWaitCursor(false);
    platform::Notify(msg::kCannotLoad);
    OperationFailed = 1;
  } else if (converted) {
    // Loaded under its new name, as a WAV file of that content would be.
    const std::string named = path.substr(0, path.size() - FileTitleOf(path).size()) + converted->name;
    IgnoringErrors([&] { LoadSoundData(named, converted->wav); });
  } else {
    IgnoringErrors([&] { LoadSoundData(path); });
  }

  std::optional<std::string> playable = path;  // playback plays the chosen file itself
  if (converted && SoundLoaded == 1 && OperationFailed == 0) {
    playable = WriteConvertedSound(*converted);
    if (!playable) {
      Port().SetWaitCursor(false);
      platform::Notify(msg::kCannotSaveTemp);
      SoundLoaded = 0;
      SoundSize = 0;
      SoundPath.clear();
    } else if (fitted) {
      *fitted = converted->fitted;
    }
  }

  SoundOutcome outcome = SoundOutcome::Refused;
  if (SoundLoaded == 1 && OperationFailed == 0) {
    if (!converted) IgnoringErrors([] { DiscardConvertedSound(); });  // a converted one it replaced
    SoundPath = *playable;
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

  // A picture read on demand that cannot give a part it holds any more, or
  // a step that ran out of memory, ends the synthesis as a read failure;
  // what was embedded so far is never saved.
  bool ready = false;
  bool finished = false;
  const bool readable = PictureReadable([&] {
    ready = PrepareImageForSynthesis();
    if (ready) SynthesizeSound();
    finished = true;
  });
  if (!readable || !finished) {
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
  media::ClassicPlan plan;
  const bool readable = PictureReadable([&] {
    // The positions count from offset 54: a picture whose pixels lie
    // elsewhere is rewritten into the classic layout first, as for "合成",
    // and one that cannot be is refused. A sealing that fails leaves the
    // picture as it was, so the original is kept until it succeeded.
    RequireImageBytes(0, media::kBmpPlanBytes);
    plan = media::PlanClassicLayout(ImageBytes, ImageBytes.size());
    if (plan.verdict == media::ClassicPlan::Verdict::Refused) return;
    try {
      std::optional<ByteArray> original;
      if (plan.verdict == media::ClassicPlan::Verdict::Rewrite) {
        RequireAllImageBytes();
        original.emplace();
        original->assign(ImageBytes.begin(), ImageBytes.end());
        media::RewriteInClassicLayout(ImageBytes, plan);
      }
      const std::span<const Byte> sound(SoundBytes.data(), static_cast<std::size_t>(SoundSize));
      outcome = sealed::Seal(passphrase, {sound, FileTitleOf(SoundPath), memo});
      if (outcome != sealed::SealOutcome::Sealed && original) ImageBytes.swap(*original);
    } catch (const std::bad_alloc&) {
      failed = true;  // no memory for the key derivation, the sealed stream or the copy
    }
    if (outcome == sealed::SealOutcome::Sealed) ImageFileSize = static_cast<Long>(ImageBytes.size());
  });
  Port().SetWaitCursor(false);
  if (!readable || failed) {
    platform::Notify(msg::kCannotLoad);
    return SynthesisOutcome::Refused;
  }
  if (plan.verdict == media::ClassicPlan::Verdict::Refused) {
    platform::Notify(msg::kCannotRead, plan.refusal);
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
  // A memo longer than the display shows is taken only as far as it shows.
  IgnoringErrors([&] { memoBytes = GetMemo(MemoFileName, MemoText, kMemoShownBytes); });
  return memoBytes > 0;
}

void DiscardTempSound() { DeleteTempWav(); }

void DiscardConvertedSound() {
  if (TempDir.empty()) return;
  const std::string dir = ConvertedSoundDir();
  // Only this program writes there: every file in it is a converted sound.
  if (DIR* folder = ::opendir(dir.c_str())) {
    while (const dirent* entry = ::readdir(folder)) {
      if (entry->d_name[0] == '.') continue;
      fileio::KeepWhenStopped(dir + entry->d_name);
      ::unlink((dir + entry->d_name).c_str());
    }
    ::closedir(folder);
    fileio::KeepWhenStopped(dir);
    ::rmdir(dir.c_str());
  }
}

bool SoundToKeep() {
  if (Synthesized != 1 || SoundLoaded != 1 || SoundSize < 4 ||
      static_cast<std::size_t>(SoundSize) > SoundBytes.size()) {
    platform::Notify(msg::kLoadCarrier);
    return false;
  }
  return true;
}

bool KeepSound(const std::string& wavPath, const std::optional<std::string>& memoPath) {
  if (!SoundToKeep()) return false;
  std::string memoText;
  if (memoPath) {
    IgnoringErrors([&] {
      if (GetMemo(MemoFileName, MemoText) > 0) memoText = MemoText;
    });
  }
  // Both files are written beside their targets and put in place together.
  fileio::PendingFile wavFile;
  fileio::PendingFile memoFile;
  const auto* memoBytes = reinterpret_cast<const std::uint8_t*>(memoText.data());
  const bool written = wavFile.Prepare(wavPath, SoundBytes.data(), static_cast<std::size_t>(SoundSize)) &&
                       (!memoPath || memoFile.Prepare(*memoPath, memoBytes, memoText.size())) && wavFile.Commit() &&
                       (!memoPath || memoFile.Commit());
  if (!written) platform::Notify(msg::kCannotSave);
  return written;
}

void Clear() {
  IgnoringErrors([] { DiscardTempSound(); });
  IgnoringErrors([] { DiscardConvertedSound(); });
  ResetWorkData();
}

}  // namespace korimo::commands
