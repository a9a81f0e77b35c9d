// Finding the sound in the loaded image and writing it to TempDir + "temp.wav".
#pragma once

namespace Korimocom {

// What a successful extraction takes out of the picture, and where it goes.
// The checks (size field, kind, signature, password, name, area, "RIFF") are
// the same in every case.
//   TempFile      the whole sound area, written to TempDir + "temp.wav",
//                 which the window plays;
//   SoundAndMemo  the sound and its memo record, in SoundBytes only
//                 (korimo-cli's extract and embed);
//   MemoLength    the head of the memo record alone (its length; see
//                 MemoLength), the sound's bytes after "RIFF" and the memo's
//                 text staying zero (korimo-cli's info reports figures, not
//                 contents, so a crafted memo length costs it nothing).
// Outside TempFile, "temp.wav" is neither written nor deleted and SoundPath
// is left as it was, and no more of the picture is read than these need.
enum class ExtractionScope { TempFile, SoundAndMemo, MemoLength };

// Outcome in SoundLoaded, Synthesized, SoundSize, SoundPath, CarrierKind,
// SoundAreaSize and SoundBytes:
//   sound extracted           SoundLoaded 1, Synthesized 1, temp.wav written
//   no sound / damaged        SoundLoaded 0, Synthesized 0, temp.wav deleted
//   locked (wrong password)   SoundLoaded 1, Synthesized 2, temp.wav deleted
//   temp.wav not writable     SoundLoaded 0, Synthesized 0
void ExtractSound(ExtractionScope scope = ExtractionScope::TempFile);

// True when TempDir + "temp.wav" is the very file the last extraction of
// this process wrote, unchanged since (same file, size and modification
// time). Anything else there, a planted file, a link, a FIFO, is not played.
bool ExtractedSoundInPlace();

// Removes TempDir + "temp.wav" when it is the file the last extraction
// wrote; anything else under that name is left alone.
void DiscardTempSound();

// The password dialog, opened through the port (DialogOpening 1 while it
// shows): an accepted entry becomes the Password and OperationFailed is 0;
// a closed dialog leaves the Password as it was and OperationFailed is 1.
// True when an entry was accepted.
bool RequestPassword();

}  // namespace Korimocom
