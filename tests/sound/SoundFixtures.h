// Small helpers for the sound-service tests: a private directory, whole-file
// I/O, an in-memory PCM WAV and shell tools. Kept apart from the shared test
// support so these tests need nothing but the sound service itself.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/SoundService.h"

namespace korimo::soundtest {

using Bytes = std::vector<std::uint8_t>;

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korimo-sound-XXXXXX").string();
    if (mkdtemp(tmpl.data())) path_ = tmpl + "/";
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  bool ok() const { return !path_.empty(); }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool RunShell(const std::string& command) { return std::system(command.c_str()) == 0; }

// A mono PCM WAV holding exactly `samples` (8-bit unsigned or 16-bit little-endian).
inline Bytes MakePcmWav(const Bytes& samples, int bitsPerSample, int rate) {
  constexpr std::size_t kHeader = 44;
  const auto blockAlign = static_cast<std::uint32_t>(bitsPerSample / 8);
  const auto dataBytes = static_cast<std::uint32_t>(samples.size());
  Bytes b(kHeader + samples.size(), 0);
  auto text = [&](std::size_t at, const char* s) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(s[i]);
  };
  auto le = [&](std::size_t at, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  text(0, "RIFF");
  le(4, 36 + dataBytes, 4);
  text(8, "WAVE");
  text(12, "fmt ");
  le(16, 16, 4);
  le(20, 1, 2);  // PCM
  le(22, 1, 2);  // mono
  le(24, static_cast<std::uint32_t>(rate), 4);
  le(28, static_cast<std::uint32_t>(rate) * blockAlign, 4);
  le(32, blockAlign, 2);
  le(34, static_cast<std::uint32_t>(bitsPerSample), 2);
  text(36, "data");
  le(40, dataBytes, 4);
  std::copy(samples.begin(), samples.end(), b.begin() + kHeader);
  return b;
}

// Waits until the service has handed every queued byte to the device, so
// that closing it afterwards leaves the whole sound in the disk output.
inline bool WaitUntilDrained(std::chrono::seconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (sound::QueuedBytes() > 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace korimo::soundtest
