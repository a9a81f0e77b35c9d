// Finding the sound in the loaded image and writing it to TempDir + "temp.wav".
#pragma once

namespace Korimocom {

// Outcome in SoundLoaded, Synthesized, SoundSize, SoundPath, CarrierKind,
// SoundAreaSize and SoundBytes:
//   sound extracted           SoundLoaded 1, Synthesized 1, temp.wav written
//   no sound / damaged        SoundLoaded 0, Synthesized 0, temp.wav deleted
//   locked (wrong password)   SoundLoaded 1, Synthesized 2, temp.wav deleted
//   temp.wav not writable     SoundLoaded 0, Synthesized 0
void ExtractSound();
void ExtractPlainSound();
void ExtractHeaderedSound();

// True when TempDir + "temp.wav" is the very file the last extraction of
// this process wrote, unchanged since (same file, size and modification
// time). Anything else there, a planted file, a link, a FIFO, is not played.
bool ExtractedSoundInPlace();

// Removes TempDir + "temp.wav"; a missing file is no error.
void DeleteTempWav();

// The password dialog, opened through the port (DialogOpening 1 while it
// shows): an accepted entry becomes the Password and OperationFailed is 0;
// a closed dialog leaves the Password as it was and OperationFailed is 1.
// True when an entry was accepted.
bool RequestPassword();

}  // namespace Korimocom
