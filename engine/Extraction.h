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

}  // namespace Korimocom
