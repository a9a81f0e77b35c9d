#pragma once

namespace Korimocom {

// Plays SoundPath in the background through the platform's sound service.
void PlaySoundData();

}  // namespace Korimocom
