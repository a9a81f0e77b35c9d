#pragma once

#include <span>
#include <string>

#include "engine/Korimocom.h"

namespace Korimocom {

// Reads a WAV file into SoundBytes as the sound to embed into the loaded image.
// Outcome in SoundLoaded and OperationFailed. SoundPath is the caller's.
void LoadSoundData(const std::string& path);
// The same from a whole file already in memory; `path` only names the sound.
void LoadSoundData(const std::string& path, std::span<const Byte> file);

}  // namespace Korimocom
