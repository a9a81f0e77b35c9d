// Shared pieces of the fuzz targets: a scripted platform backend, one private
// scratch directory per process, whole-file helpers and small in-memory BMP
// and WAV builders. Kept free of test frameworks so the targets link only the
// libraries under test.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/Korimocom.h"
#include "tests/support/TestFiles.h"
#include "platform/Platform.h"

namespace korimo::fuzz {

using Bytes = std::vector<std::uint8_t>;

// A property the target checks failed: print it and stop the run so that
// libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}
inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// With KORIMO_FUZZ_TRACE set, the targets say which outcome each input reached
// (to check that the seeds reach the deep paths).
inline void Trace(const char* outcome) {
  static const bool on = std::getenv("KORIMO_FUZZ_TRACE") != nullptr;
  if (on) std::fprintf(stderr, "outcome: %s\n", outcome);
}

// Answers every box with OK (No for the question), the password dialog with a
// fixed entry, and plays nothing.
class FuzzPlatform final : public platform::Platform {
 public:
  FuzzPlatform() { platform::SetCurrent(this); }
  ~FuzzPlatform() override { platform::SetCurrent(nullptr); }

  platform::Answer MessageBox(const std::string&, platform::Buttons buttons, platform::Icon) override {
    ++messages;
    return buttons == platform::Buttons::YesNo ? answer : platform::Answer::Ok;
  }
  std::optional<std::string> AskPassword() override {
    ++dialogs;
    return entry;
  }
  void SetWaitCursor(bool) override {}
  platform::PlayResult PlaySound(const std::string&) override { return platform::PlayResult::Started; }

  std::optional<std::string> entry;
  platform::Answer answer = platform::Answer::Yes;
  int messages = 0;
  int dialogs = 0;
};

// A directory of this process under /tmp, made once, reused by every run and
// removed when the process ends normally.
inline const std::string& ScratchDir() {
  struct Scratch {
    std::string path;
    Scratch() {
      char tmpl[] = "/tmp/korimo-fuzz-XXXXXX";
      if (!::mkdtemp(tmpl)) Fail("mkdtemp");
      path = std::string(tmpl) + "/";
    }
    ~Scratch() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Scratch scratch;
  return scratch.path;
}

inline void WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("open scratch file");
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) Fail("write scratch file");
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

// The whole file, or nullopt when it cannot be opened.
inline std::optional<Bytes> ReadBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  Bytes out;
  std::uint8_t buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) Fail("read scratch file");
    if (n == 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  ::close(fd);
  return out;
}

inline bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Pictures and sounds come from the same generators as the tests.
using korimo::test::MakeBmp;
using korimo::test::MakeWav;

// A fresh working set pointing at the scratch directory.
inline void FreshSession() {
  Korimocom::ResetWorkData();
  Korimocom::TempDir = ScratchDir();
  Korimocom::AppDir = ScratchDir();
}

}  // namespace korimo::fuzz
