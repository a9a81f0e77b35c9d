// The command steps the window and korimo-cli share. Each runs the working
// set's procedures in the order the command needs them, brings the flags
// that follow from the outcome up to date (SoundPath, Synthesized, ImageSaved,
// the temporary sound file) and returns the outcome, so that the caller acts
// on it instead of reading flags back. Messages come from the procedures and
// from the steps, through the user-interaction port.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "engine/Korimocom.h"
#include "engine/Sealed.h"
#include "media/SoundConvert.h"

namespace korimo::commands {

// Runs one step of a stretch where run-time errors are ignored: an error
// ends the step and the command goes on with the next one.
template <typename Step>
void IgnoringErrors(Step&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

// ---- Open image ------------------------------------------------------------
enum class ImageOutcome {
  Opened,   // loaded and searched for sound: Synthesized tells what was found
  Refused,  // not a usable picture (message shown); nothing changed
  Lost,     // could not be read whole: no image any more
};
// Loads a picture and looks for sound in it (asking for the password of a
// protected one). `onLoaded` runs between the two, once the picture is loaded
// (the window shows it there, before any password dialog).
ImageOutcome OpenImage(const std::string& path, const std::function<void()>& onLoaded = {});
// The same for a picture converted to a BMP in memory from another format.
ImageOutcome OpenImage(std::span<const std::uint8_t> bmp, const std::function<void()>& onLoaded = {});

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
SoundOutcome OpenSound(const std::string& path, media::SoundFitting fitting = media::SoundFitting::Converted,
                       std::optional<media::SoundForm>* fitted = nullptr);

// ---- Synthesize ------------------------------------------------------------
enum class SynthesisOutcome {
  NotReady,   // nothing to do yet, or done already (message shown)
  Cancelled,  // the password dialog was closed
  Refused,    // the sound cannot be embedded (message shown where there is one)
  Done,       // ImageBytes is the carrier; not saved yet
};
// The guard message names what the caller was about to do.
SynthesisOutcome Synthesize(const char* loadBothMessage);

// The guard of "合成" and "メモ": an image and a sound loaded, nothing
// embedded yet. Shows the refusal and returns false otherwise.
bool ReadyToSynthesize(const char* loadBothMessage);

// ---- Sealed pictures -------------------------------------------------------
// "合成" into a sealed picture: the same guard, then the picture rewritten into
// the classic layout where needed and the sound (SoundSize bytes of
// SoundBytes), the sound file's name and `memo` sealed with the passphrase.
// Refused ("音声データが画像データに収まりません。") leaves ImageBytes as it was.
// Done leaves the state of "合成": Synthesized 1, not saved.
SynthesisOutcome SealSound(const sealed::Passphrase& passphrase, const std::string& memo,
                           const char* loadBothMessage);
// The sealed sound of the loaded picture, into `opened`. NotOpened (wrong
// passphrase, no sealed sound, a changed picture: one answer) and Unreadable
// show their message. The working set is not changed.
enum class SealedOpenOutcome { Opened, NotOpened, Unreadable };
SealedOpenOutcome OpenSealed(const sealed::Passphrase& passphrase, std::optional<sealed::Opened>& opened);

// ---- Memo ------------------------------------------------------------------
enum class MemoRoom {
  NameTooLong,  // no memo record can follow such a sound name; nothing said
  None,         // no room left (message shown)
  Available,    // MemoCapacity bytes may be typed
};
// Computes MemoCapacity for the memo entry.
MemoRoom OpenMemoEntry();
// Places the memo behind the sound. False when refused (message shown).
bool StoreMemo(const std::string& text);

// ---- Save ------------------------------------------------------------------
// Writes the carrier; true when it is saved (ImageSaved 1).
bool Save(const std::string& path);

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

// The memo of the carrier's sound into MemoFileName and MemoText, its text
// cut after kMemoShownBytes (64 KB). True when there is one to show; for a sound that
// is not available the memo is cleared.
bool LoadCarrierMemo();

// ---- Keep the found sound --------------------------------------------------
// The guard of "音声を保存": a sound found in the picture and unlocked (or
// just embedded). Shows the refusal and returns false otherwise.
bool SoundToKeep();
// Writes the WAV as stored (without the memo record behind it) and, when
// `memoPath` is given, the memo as UTF-8 text. False after a message.
bool KeepSound(const std::string& wavPath, const std::optional<std::string>& memoPath);

// ---- Clear and exit --------------------------------------------------------
// Removes the temporary sound file.
void DiscardTempSound();
// Removes the converted sound written by OpenSound.
void DiscardConvertedSound();
// Forgets the picture, the sound and everything typed.
void Clear();

}  // namespace korimo::commands
