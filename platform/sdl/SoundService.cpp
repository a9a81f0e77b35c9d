// The sound service: one SDL audio device fed through SDL's audio queue.
//
// A WAV file is decoded whole by SDL (PCM, ADPCM, mu-law, A-law), queued on
// a device opened with the WAV's own format, and the device is unpaused; the
// call returns while SDL's audio thread plays the queue. A new playback
// replaces the running one: with the same format the queue is emptied and
// refilled, otherwise the device is closed (which stops it at once) and
// opened again for the new format.

#include "platform/sdl/SoundService.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/FileIO.h"

namespace korimo::sound {

using platform::PlayResult;

namespace {

struct ServiceState {
  bool audioReady = false;       // SDL's audio subsystem is initialised
  SDL_AudioDeviceID device = 0;  // 0 while no device is open
  SDL_AudioSpec deviceSpec{};    // the format the open device plays
};

ServiceState g_state;

// Initialises SDL audio on first use. A failed attempt is retried on the next
// request, so a sound server that appears later is picked up.
bool EnsureAudio() {
  if (g_state.audioReady) return true;
  // Only audio is wanted; keep SDL away from the host's SIGINT/SIGTERM handling.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  g_state.audioReady = true;
  return true;
}

void CloseDevice() {
  if (g_state.device != 0) {
    SDL_CloseAudioDevice(g_state.device);
    g_state.device = 0;
  }
}

// Device buffer length in sample frames: about 25 ms, a power of two.
// SDL_LoadWAV_RW suggests 4096 frames, but closing a device makes the caller
// wait two buffer lengths (a full second for an 8 kHz sound), and a
// same-format replacement still lets the buffer already mixed play out.
Uint16 BufferFrames(int freq) {
  Uint16 frames = 256;
  while (frames < 4096 && frames * 2 <= freq / 40) frames = static_cast<Uint16>(frames * 2);
  return frames;
}

bool SameFormat(const SDL_AudioSpec& a, const SDL_AudioSpec& b) {
  return a.freq == b.freq && a.format == b.format && a.channels == b.channels;
}

// Makes the open device match `format`, reopening it when the format differs.
// Returns false when no device can be opened.
bool PrepareDevice(const SDL_AudioSpec& format) {
  if (g_state.device != 0 && SameFormat(g_state.deviceSpec, format)) {
    // Drops what is still waiting; at most the buffer SDL already mixed
    // of the old sound is heard before the new one.
    SDL_ClearQueuedAudio(g_state.device);
    return true;
  }
  CloseDevice();
  SDL_AudioSpec wanted = format;
  wanted.callback = nullptr;  // fed by SDL_QueueAudio
  wanted.userdata = nullptr;
  wanted.samples = BufferFrames(format.freq);
  // No allowed changes: SDL converts to the hardware format itself, so the
  // queue always takes the WAV's decoded bytes as they are.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (device == 0) return false;
  g_state.device = device;
  g_state.deviceSpec = wanted;
  return true;
}

// Decoded samples owned by SDL, released on every path out.
struct DecodedWav {
  Uint8* samples = nullptr;
  Uint32 length = 0;
  SDL_AudioSpec format{};
  DecodedWav() = default;
  DecodedWav(const DecodedWav&) = delete;
  DecodedWav& operator=(const DecodedWav&) = delete;
  ~DecodedWav() {
    if (samples) SDL_FreeWAV(samples);
  }
};

// The bytes SDL needs of a WAV file: the RIFF chunk its header announces, not
// what may follow it. An extracted sound area is the WAV followed by the rest
// of the area (up to a quarter of a gigabyte for a large picture), and SDL
// honours the chunk size, so the rest would only be read to be ignored.
std::size_t ChunkLength(const std::uint8_t (&head)[8], std::size_t fileLength) {
  if (std::memcmp(head, "RIFF", 4) != 0) return fileLength;
  const std::size_t riffSize = std::size_t{head[4]} | std::size_t{head[5]} << 8 | std::size_t{head[6]} << 16 |
                               std::size_t{head[7]} << 24;
  // A RIFF size of 0 (written by some recorders) leaves SDL to the file's length.
  if (riffSize == 0) return fileLength;
  return std::min(fileLength, riffSize + 8);
}

// Decodes a whole WAV held in memory; SDL honours its RIFF chunk size.
bool DecodeBytes(const std::uint8_t* data, std::size_t size, DecodedWav& wav) {
  if (size == 0 || size > fileio::kMaxInputBytes) return false;
  SDL_RWops* memory = SDL_RWFromConstMem(data, static_cast<int>(size));
  if (!memory) return false;
  // freesrc = 1: SDL closes the stream whether decoding succeeds or not.
  return SDL_LoadWAV_RW(memory, 1, &wav.format, &wav.samples, &wav.length) != nullptr;
}

// Reads the bytes SDL needs of a WAV file. The file layer opens it without
// waiting and takes regular files only (a FIFO or a device put under the
// name would block the window), in one open, so nothing can be swapped in
// between a check and the read. Memory follows the sound, never the file
// layer's limit.
bool ReadWav(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const int fd = fileio::OpenForRead(path);
  if (fd < 0) return false;
  bool read = false;
  std::uint8_t head[8];
  const auto fileLength = fileio::FileLength(fd);
  if (fileLength && fileio::ReadExactlyAt(fd, head, sizeof head, 0)) {
    try {
      bytes.resize(ChunkLength(head, *fileLength));
      // A file cut short since its length was taken gives what it still holds.
      const long long n = fileio::ReadUpTo(fd, bytes.data(), bytes.size());
      if (n >= 0) {
        bytes.resize(static_cast<std::size_t>(n));
        read = true;
      }
    } catch (const std::bad_alloc&) {
      read = false;
    }
  }
  fileio::Close(fd);
  return read;
}

// Plays decoded samples, replacing what plays now.
PlayResult Start(const DecodedWav& wav) {
  if (!PrepareDevice(wav.format)) return PlayResult::ServiceUnavailable;
  // Queue before unpausing so playback runs straight through once started.
  // SDL copies the samples; the decoded buffer is freed by its owner.
  if (wav.length > 0 && SDL_QueueAudio(g_state.device, wav.samples, wav.length) != 0) {
    CloseDevice();
    return PlayResult::ServiceUnavailable;
  }
  SDL_PauseAudioDevice(g_state.device, 0);
  return PlayResult::Started;
}

}  // namespace

// A file or bytes that cannot be played start nothing and leave a running
// sound alone.
PlayResult PlayWavFile(const std::string& path) {
  if (!EnsureAudio()) return PlayResult::ServiceUnavailable;
  std::vector<std::uint8_t> bytes;
  DecodedWav wav;
  if (path.empty() || !ReadWav(path, bytes) || !DecodeBytes(bytes.data(), bytes.size(), wav))
    return PlayResult::NotPlayable;
  return Start(wav);
}

PlayResult PlayWavBytes(const std::uint8_t* data, std::size_t size) {
  if (!EnsureAudio()) return PlayResult::ServiceUnavailable;
  DecodedWav wav;
  if (!DecodeBytes(data, size, wav)) return PlayResult::NotPlayable;
  return Start(wav);
}

std::uint32_t QueuedBytes() {
  return g_state.device != 0 ? SDL_GetQueuedAudioSize(g_state.device) : 0;
}

void Shutdown() {
  CloseDevice();
  if (g_state.audioReady) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_state.audioReady = false;
  }
}

}  // namespace korimo::sound
