#pragma once

#include <string>

namespace Korimocom {

// Reads a WAV file into SoundBytes as the sound to embed into the loaded image.
// Outcome in SoundLoaded and OperationFailed. SoundPath is the caller's.
void LoadSoundData(const std::string& path);

}  // namespace Korimocom
