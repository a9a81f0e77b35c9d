#include "commands/Commands.h"

#include <dirent.h>
#include <unistd.h>

#include <new>

#include "engine/CarrierLayout.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "engine/Synthesis.h"
#include "engine/TextFields.h"
#include "media/BmpClassic.h"
#include "media/CarrierSave.h"
#include "media/SynthesisImage.h"
#include "media/WavLoad.h"
#include "platform/FileIO.h"
#include "platform/Platform.h"
#include "platform/StopCleanup.h"
#include "platform/TempDir.h"

namespace korimo::commands {

using namespace Korimocom;

namespace {

platform::Platform& Port() { return platform::Current(); }

// How a stretch of procedures ended.
enum class Ran {
  Through,      // to its end
  Stopped,      // by a run-time error, which is ignored
  Unreadable,   // a picture read on demand could not give a part it holds
  OutOfMemory,  // a buffer the step needs could not be had
};

// Runs `step` as IgnoringErrors does, and says how it ended.
template <typename Step>
Ran RunProcedures(Step&& step) {
  try {
    step();
    return Ran::Through;
  } catch (const RuntimeError&) {
    return Ran::Stopped;
  } catch (const ImageReadFailure&) {
    return Ran::Unreadable;
  } catch (const std::bad_alloc&) {
    return Ran::OutOfMemory;
  }
}


// Where converted sounds are written: a private folder in the temporary one.
std::string ConvertedSoundDir() { return TempDir + "converted/"; }

// Whether a WAV of `bytes` bytes named `name` fits the loaded picture. A name
// too long to store fits anything: the loader then refuses the name.
media::FitCheck FitsPictureWithName(const std::string& name) {
  int nameBytes = layout::kMaxNameBytes + 1;
  try {
    nameBytes = AnsiByteLength(name);
  } catch (const RuntimeError&) {
    // too long to count: as good as too long to store
  }
  return [nameBytes](std::size_t bytes) {
    if (nameBytes > layout::kMaxNameBytes) return true;
    return bytes <= fileio::kMaxInputBytes && layout::SoundFits(static_cast<Long>(bytes), nameBytes);
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

Outcome<ImageOutcome> OpenImageWith(const std::function<void()>& load, ExtractionScope scope,
                                    const std::function<void()>& onLoaded) {
  ShownMessage shown;
  Port().SetWaitCursor(true);
  OperationFailed = 0;
  IgnoringErrors(load);

  ImageOutcome outcome = ImageOutcome::Refused;
  bool unreadable = false;
  if (ImageLoaded == 1 && OperationFailed == 0) {
    if (onLoaded) IgnoringErrors(onLoaded);
    // A sound area the memory cannot hold ends as a picture that cannot be
    // read, as one the file cannot give.
    const Ran ran = RunProcedures([scope] { ExtractSound(scope); });
    unreadable = ran == Ran::Unreadable || ran == Ran::OutOfMemory;
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
  return shown.Said(outcome);
}

}  // namespace

Outcome<ImageOutcome> OpenImage(const std::string& path, const OpenOptions& options,
                                const std::function<void()>& onLoaded) {
  return OpenImageWith([&] { LoadImageData(path, options.reading); }, options.scope, onLoaded);
}

Outcome<ImageOutcome> OpenImage(const std::string& path, const std::function<void()>& onLoaded) {
  return OpenImage(path, OpenOptions{}, onLoaded);
}

Outcome<ImageOutcome> OpenImage(std::span<const std::uint8_t> bmp, const std::function<void()>& onLoaded) {
  return OpenImageWith([&] { LoadImageData(bmp); }, ExtractionScope::TempFile, onLoaded);
}

Outcome<SoundOutcome> OpenSound(const std::string& path, media::SoundFitting fitting,
                                std::optional<media::SoundForm>* fitted) {
  ShownMessage shown;
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
  return shown.Said(outcome);
}

Outcome<bool> ReadyToSynthesize(const char* loadBothMessage) {
  ShownMessage shown;
  if (Synthesized != 0) {
    platform::Notify(msg::kAlreadySynthesized);
    return shown.Said(false);
  }
  if (ImageLoaded != 1 || SoundLoaded != 1) {
    platform::Notify(loadBothMessage);
    return shown.Said(false);
  }
  return shown.Said(true);
}

Outcome<SynthesisOutcome> Synthesize(const char* loadBothMessage) {
  ShownMessage shown;
  if (!ReadyToSynthesize(loadBothMessage)) return shown.Said(SynthesisOutcome::NotReady);
  if (!RequestPassword()) return shown.Said(SynthesisOutcome::Cancelled);

  // A picture read on demand that cannot give a part it holds any more, or
  // a step that ran out of memory, ends the synthesis as a read failure;
  // what was embedded so far is never saved.
  bool ready = false;
  const Ran ran = RunProcedures([&] {
    ready = PrepareImageForSynthesis();
    if (ready) SynthesizeSound();
  });
  if (ran != Ran::Through) {
    platform::Notify(msg::kCannotLoad);
    OperationFailed = 1;
    return shown.Said(SynthesisOutcome::Refused);
  }
  if (!ready || OperationFailed != 0) return shown.Said(SynthesisOutcome::Refused);

  Synthesized = 1;
  // The next "音声＆メモ再生" takes the sound out of the new carrier.
  IgnoringErrors([] { DiscardTempSound(); });
  return shown.Said(SynthesisOutcome::Done);
}

Outcome<SynthesisOutcome> SealSound(const sealed::Passphrase& passphrase, const std::string& memo,
                                    const char* loadBothMessage) {
  ShownMessage shown;
  if (!ReadyToSynthesize(loadBothMessage)) return shown.Said(SynthesisOutcome::NotReady);
  if (SoundSize < 0 || static_cast<std::size_t>(SoundSize) > SoundBytes.size()) {
    platform::Notify(msg::kSoundDoesNotFit);
    return shown.Said(SynthesisOutcome::Refused);
  }
  Port().SetWaitCursor(true);
  sealed::SealOutcome outcome = sealed::SealOutcome::DoesNotFit;
  bool failed = false;
  media::ClassicPlan plan;
  const Ran ran = RunProcedures([&] {
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
  if (ran == Ran::Unreadable || ran == Ran::OutOfMemory || failed) {
    platform::Notify(msg::kCannotLoad);
    return shown.Said(SynthesisOutcome::Refused);
  }
  if (plan.verdict == media::ClassicPlan::Verdict::Refused) {
    platform::Notify(msg::kCannotRead, plan.refusal);
    return shown.Said(SynthesisOutcome::Refused);
  }
  if (outcome != sealed::SealOutcome::Sealed) {
    platform::Notify(msg::kSoundDoesNotFit);
    return shown.Said(SynthesisOutcome::Refused);
  }
  Synthesized = 1;
  ImageSaved = 0;
  IgnoringErrors([] { DiscardTempSound(); });
  return shown.Said(SynthesisOutcome::Done);
}

Outcome<SealedOpenOutcome> OpenSealed(const sealed::Passphrase& passphrase, std::optional<sealed::Opened>& opened) {
  ShownMessage shown;
  opened.reset();
  Port().SetWaitCursor(true);
  const Ran ran = RunProcedures([&] { opened = sealed::Open(passphrase); });
  Port().SetWaitCursor(false);
  if (ran == Ran::Unreadable || ran == Ran::OutOfMemory) {
    platform::Notify(msg::kCannotLoad);
    return shown.Said(SealedOpenOutcome::Unreadable);
  }
  if (!opened) {
    platform::Notify(msg::kSealedNotOpened);
    return shown.Said(SealedOpenOutcome::NotOpened);
  }
  return shown.Said(SealedOpenOutcome::Opened);
}

Outcome<MemoRoom> OpenMemoEntry() {
  ShownMessage shown;
  int nameBytes = 0;
  try {
    nameBytes = AnsiByteLength(FileTitleOf(SoundPath));
  } catch (const RuntimeError&) {
    nameBytes = layout::kMaxNameBytes + 1;  // too long to count: as good as too long to store
  }
  // The entry counts as cancelled until a memo is stored.
  OperationFailed = 1;
  if (nameBytes > layout::kMaxNameBytes) return shown.Said(MemoRoom::NameTooLong);

  Long allowance = 0;
  try {
    // Counted over the bytes synthesis really embeds, already capped at 32767.
    allowance = layout::MemoCapacityFor();
  } catch (const RuntimeError&) {
    allowance = 0;
  }
  MemoCapacity = allowance;
  if (allowance < 1) {
    platform::Notify(msg::kNoRoomForMemo);
    return shown.Said(MemoRoom::None);
  }
  return shown.Said(MemoRoom::Available);
}

Outcome<bool> StoreMemo(const std::string& text) {
  ShownMessage shown;
  // A memo the engine cannot even measure, or not hold, is refused as too long.
  const Ran ran = RunProcedures([&] { PutMemo(text, layout::kMemoFileName); });
  if (ran != Ran::Through) {
    OperationFailed = 1;
    platform::Notify(msg::kMemoTooLong);
  }
  return shown.Said(OperationFailed == 0);
}

Outcome<bool> Save(const std::string& path) {
  ShownMessage shown;
  // With no image loaded the save refuses with its own message.
  const bool saved = SaveImageData(path);
  return shown.Said(saved);
}

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

void Clear() {
  IgnoringErrors([] { DiscardTempSound(); });
  IgnoringErrors([] { DiscardConvertedSound(); });
  ResetWorkData();
}

}  // namespace korimo::commands
