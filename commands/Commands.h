// The command steps the window and korimo-cli share. Each runs the working
// set's procedures in the order the command needs them, brings the flags
// that follow from the outcome up to date (SoundPath, Synthesized, ImageSaved,
// the temporary sound file) and returns the outcome, so that the caller acts
// on it instead of reading flags back. Messages come from the procedures and
// from the steps, through the user-interaction port; each outcome also says
// which message the step showed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "commands/Outcome.h"
#include "engine/Extraction.h"
#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/RuntimeError.h"
#include "engine/Sealed.h"
#include "media/BmpLoad.h"
#include "media/SoundConvert.h"

namespace korimo::commands {

// Runs one step of a stretch where run-time errors are ignored: a
// procedure's run-time error, or a picture read on demand that cannot give
// a part any more, ends the step and the command goes on with the next one.
// Anything else (out of memory included) is no run-time error and goes on
// to the caller.
template <typename Step>
void IgnoringErrors(Step&& step) {
  try {
    step();
  } catch (const RuntimeError&) {
  } catch (const Korimocom::ImageReadFailure&) {
  }
}

// ---- Open image ------------------------------------------------------------
enum class ImageOutcome {
  Opened,   // loaded and searched for sound: Synthesized tells what was found
  Refused,  // not a usable picture (message shown); nothing changed
  Lost,     // could not be read whole: no image any more
};
// How a picture is opened: read whole or on demand (see media/BmpLoad.h), and
// how much of a carried sound is taken out (see engine/Extraction.h). The
// window reads whole and writes temp.wav; korimo-cli reads on demand and keeps
// the sound in memory.
struct OpenOptions {
  Korimocom::ImageReading reading = Korimocom::ImageReading::Whole;
  Korimocom::ExtractionScope scope = Korimocom::ExtractionScope::TempFile;
};
// Loads a picture and looks for sound in it (asking for the password of a
// protected one). `onLoaded` runs between the two, once the picture is loaded
// (the window shows it there, before any password dialog).
Outcome<ImageOutcome> OpenImage(const std::string& path, const OpenOptions& options,
                                const std::function<void()>& onLoaded = {});
Outcome<ImageOutcome> OpenImage(const std::string& path, const std::function<void()>& onLoaded = {});
// The same for a picture converted to a BMP in memory from another format.
Outcome<ImageOutcome> OpenImage(std::span<const std::uint8_t> bmp, const std::function<void()>& onLoaded = {});

// ---- Open sound ------------------------------------------------------------
enum class SoundOutcome {
  Opened,   // the sound to embed; SoundPath names it, nothing embedded yet
  Refused,  // refused or the replace question answered No (message shown); nothing changed
  Lost,     // could not be read: no sound any more
};
// A sound in another format is converted to a WAV named after it (see
// media/SoundConvert.h) and made smaller when it does not fit; with `fitting`
// Any, so is a WAV file. The converted WAV is written to the temporary
// folder, where SoundPath names it, so that it plays and its name is stored.
// `fitted`, when given, receives the form of a sound made smaller.
Outcome<SoundOutcome> OpenSound(const std::string& path,
                                media::SoundFitting fitting = media::SoundFitting::Converted,
                                std::optional<media::SoundForm>* fitted = nullptr);

// ---- Synthesize ------------------------------------------------------------
enum class SynthesisOutcome {
  NotReady,   // nothing to do yet, or done already (message shown)
  Cancelled,  // the password dialog was closed
  Refused,    // the sound cannot be embedded (message shown where there is one)
  Done,       // ImageBytes is the carrier; not saved yet
};
// The guard message names what the caller was about to do.
Outcome<SynthesisOutcome> Synthesize(const char* loadBothMessage);

// The guard of "合成" and "メモ": an image and a sound loaded, nothing
// embedded yet. Shows the refusal and returns false otherwise.
Outcome<bool> ReadyToSynthesize(const char* loadBothMessage);

// ---- Sealed pictures -------------------------------------------------------
// "合成" into a sealed picture: the same guard, then the picture rewritten into
// the classic layout where needed and the sound (SoundSize bytes of
// SoundBytes), the sound file's name and `memo` sealed with the passphrase.
// Refused ("音声データが画像データに収まりません。") leaves ImageBytes as it was.
// Done leaves the state of "合成": Synthesized 1, not saved.
Outcome<SynthesisOutcome> SealSound(const sealed::Passphrase& passphrase, const std::string& memo,
                                    const char* loadBothMessage);
// The sealed sound of the loaded picture, into `opened`. NotOpened (wrong
// passphrase, no sealed sound, a changed picture: one answer) and Unreadable
// show their message. The working set is not changed.
enum class SealedOpenOutcome { Opened, NotOpened, Unreadable };
Outcome<SealedOpenOutcome> OpenSealed(const sealed::Passphrase& passphrase, std::optional<sealed::Opened>& opened);

// ---- Memo ------------------------------------------------------------------
enum class MemoRoom {
  NameTooLong,  // no memo record can follow such a sound name; nothing said
  None,         // no room left (message shown)
  Available,    // MemoCapacity bytes may be typed
};
// Computes MemoCapacity for the memo entry.
Outcome<MemoRoom> OpenMemoEntry();
// Places the memo behind the sound. False when refused (message shown).
Outcome<bool> StoreMemo(const std::string& text);

// ---- Save ------------------------------------------------------------------
// Writes the carrier; true when it is saved (ImageSaved 1).
Outcome<bool> Save(const std::string& path);

// ---- Play from the carrier -------------------------------------------------
enum class CarrierSoundOutcome {
  NoCarrier,  // no sound in the current picture (message shown)
  Ready,      // the sound taken out earlier is in place and unchanged: play SoundPath
  Extracted,  // taken out again now: Synthesized tells whether it can be played
};
// Points SoundPath at the temporary sound file. It is played only when this
// process wrote it for the current carrier and it is unchanged since;
// otherwise the sound is taken out of the picture again (asking for the
// password of a locked one).
CarrierSoundOutcome PrepareCarrierSound();

// "音声＆メモ再生" up to the memo: the carrier's sound prepared as above and
// played when it can be. `onExtracted` runs when it was taken out again, before
// it plays (the window shows the new sound state there).
Outcome<CarrierSoundOutcome> PlayCarrierSound(const std::function<void()>& onExtracted = {});
// "音声再生": the sound named by SoundPath, when there is one.
void PlayLoadedSound();
// A whole WAV file held in memory (a sealed sound, never written to disk).
void PlaySoundBytes(std::span<const std::uint8_t> wav);

// ---- Describe a carrier ----------------------------------------------------
// What the loaded picture carries, as korimo-cli's info reports it. The
// sound's figures are given only when it is available (Synthesized 1), as
// the window shows them only for an unlocked sound.
struct CarrierDescription {
  enum class Sound { None, Present, Locked };
  Korimocom::Long imageDataSize = 0;
  int kind = 0;
  Sound sound = Sound::None;
  Korimocom::Long soundSize = 0;
  std::string storedName;  // the sound file's name in the carrier header
  Korimocom::Long memoBytes = 0;
  // The largest sound the picture holds with a name of `nameBytes` bytes.
  Korimocom::Long capacity = 0;
  // With `sealedCapacity`: the sound, name and memo bytes a sealed picture
  // of it can hold.
  std::optional<std::size_t> sealedCapacity;
};
CarrierDescription DescribeCarrier(int nameBytes, bool sealedCapacity = false);

// The memo of the carrier's sound, whole; empty when there is none.
std::string CarrierMemo();

// The memo of the carrier's sound into MemoFileName and MemoText, its text
// cut after kMemoShownBytes (64 KB). True when there is one to show; for a sound that
// is not available the memo is cleared.
bool LoadCarrierMemo();
// True when the carrier's memo is longer than LoadCarrierMemo shows of it.
bool CarrierMemoCut();

// ---- Keep the found sound --------------------------------------------------
// The guard of "音声を保存": a sound found in the picture and unlocked (or
// just embedded). Shows the refusal and returns false otherwise.
Outcome<bool> SoundToKeep();
// Writes the WAV as stored (without the memo record behind it) and, when
// `memoPath` is given, the memo as UTF-8 text. False after a message.
Outcome<bool> KeepSound(const std::string& wavPath, const std::optional<std::string>& memoPath);
// The same from a sound already taken out (a sealed one): `wav` as given.
Outcome<bool> KeepSound(std::span<const std::uint8_t> wav, const std::string& memo, const std::string& wavPath,
                        const std::optional<std::string>& memoPath);

// ---- Clear and exit --------------------------------------------------------
// Removes the temporary sound file the last extraction wrote.
using Korimocom::DiscardTempSound;
// Removes the converted sound written by OpenSound.
void DiscardConvertedSound();
// Forgets the picture, the sound and everything typed.
void Clear();

}  // namespace korimo::commands
