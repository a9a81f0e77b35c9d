#include "tests/support/TestFiles.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korimo::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "korimo-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only files or directories behind: make them removable.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::vector<std::string> ListTree(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    names.push_back(it->path().lexically_relative(dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

static void PutLE(Bytes& b, size_t at, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes MakeBmp(int width, int height, int bitsPerPixel) {
  const uint32_t row = ((static_cast<uint32_t>(width) * bitsPerPixel / 8) + 3) & ~3u;
  const uint32_t dataSize = row * height;
  Bytes b(54 + dataSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutLE(b, 2, 54 + dataSize, 4);
  PutLE(b, 10, 54, 4);
  PutLE(b, 14, 40, 4);
  PutLE(b, 18, width, 4);
  PutLE(b, 22, height, 4);
  PutLE(b, 26, 1, 2);
  PutLE(b, 28, bitsPerPixel, 2);
  PutLE(b, 34, dataSize, 4);
  for (uint32_t i = 0; i < dataSize; ++i) b[54 + i] = static_cast<uint8_t>((i * 37u + (i >> 7)) & 0xFF);
  return b;
}

Bytes MakeWav(int samples, int bitsPerSample, int channels, int rate) {
  const uint32_t blockAlign = channels * bitsPerSample / 8;
  const uint32_t dataBytes = samples * blockAlign;
  Bytes b(44 + dataBytes, 0);
  auto put4 = [&](size_t at, const char* s) { for (int i = 0; i < 4; ++i) b[at + i] = s[i]; };
  put4(0, "RIFF");
  PutLE(b, 4, 36 + dataBytes, 4);
  put4(8, "WAVE");
  put4(12, "fmt ");
  PutLE(b, 16, 16, 4);
  PutLE(b, 20, 1, 2);
  PutLE(b, 22, channels, 2);
  PutLE(b, 24, rate, 4);
  PutLE(b, 28, rate * blockAlign, 4);
  PutLE(b, 32, blockAlign, 2);
  PutLE(b, 34, bitsPerSample, 2);
  put4(36, "data");
  PutLE(b, 40, dataBytes, 4);
  for (uint32_t i = 0; i < dataBytes; ++i) b[44 + i] = static_cast<uint8_t>((i * 91u + 7) & 0xFF);
  return b;
}

int Run(const std::string& command) {
  int rc = std::system(command.c_str());
  if (rc == -1) return -1;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128;
}

bool HaveTool(const std::string& name) {
  return Run("command -v " + name + " >/dev/null 2>&1") == 0;
}

}  // namespace korimo::test
