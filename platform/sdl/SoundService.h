// The sound service behind Platform::PlaySound: SDL2 audio. Asynchronous; a
// new playback replaces a running one. Any WAV encoding SDL decodes (PCM,
// IMA/MS ADPCM, mu-law, A-law); bytes after the RIFF chunk are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace korimo::sound {

// Starts playing the WAV file at path and returns at once.
platform::PlayResult PlayWavFile(const std::string& path);

// The same for a whole WAV file in memory; nothing of it is written anywhere.
platform::PlayResult PlayWavBytes(const std::uint8_t* wav, std::size_t size);

// Bytes of decoded sound still waiting to be played; 0 when no device is open.
std::uint32_t QueuedBytes();

// Stops any playback and closes the audio device (exit path, tests).
void Shutdown();

}  // namespace korimo::sound
