// Files for tests: a private temporary directory per test, whole-file
// reads and writes, and fixtures made with ImageMagick, sox and espeak-ng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korimo::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the system temp dir, removed with its contents on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Always ends in "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);
// Every path below `dir`, relative to it and sorted; links are listed, not followed.
std::vector<std::string> ListTree(const std::string& dir);

// A 24- or 32-bit BMP with a 54-byte header built in memory: pixel bytes from
// a simple pattern, data-size field = padded row size x height.
Bytes MakeBmp(int width, int height, int bitsPerPixel = 24);
// A PCM WAV (16-bit mono by default) of `samples` samples of a pattern.
Bytes MakeWav(int samples, int bitsPerSample = 16, int channels = 1, int rate = 8000);

// Runs a shell command; returns its exit status.
int Run(const std::string& command);
// True when the program is on PATH.
bool HaveTool(const std::string& name);

}  // namespace korimo::test
