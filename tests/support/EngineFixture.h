// Shared fixture of the engine and media tests: a private TempDir, the
// scripted platform, a clean working set, and a small reference encoder that
// writes carrier fields straight into image bytes, so that hand-built
// carriers do not depend on the synthesis under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/CarrierIO.h"
#include "engine/Buffers.h"
#include "engine/TextFields.h"
#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "engine/Synthesis.h"
#include "media/BmpLoad.h"
#include "media/CarrierSave.h"
#include "media/WavLoad.h"
#include "platform/Cp932.h"
#include "tests/support/ScriptedPlatform.h"
#include "tests/support/TestFiles.h"

namespace korimo::test {

namespace kc = Korimocom;
using Strings = std::vector<std::string>;

// The scripted backend, also noting the cursor and DialogOpening at each
// password dialog and letting a test act right after a file deletion.
class EnginePlatform : public ScriptedPlatform {
 public:
  std::optional<std::string> AskPassword() override {
    waitCursorAtDialog.push_back(waitCursor);
    dialogOpeningAtDialog.push_back(kc::DialogOpening);
    return ScriptedPlatform::AskPassword();
  }
  bool DeleteFile(const std::string& path) override {
    bool ok = Platform::DeleteFile(path);
    if (afterDelete) afterDelete(path);
    return ok;
  }
  std::vector<bool> waitCursorAtDialog;
  std::vector<int> dialogOpeningAtDialog;
  std::function<void(const std::string&)> afterDelete;
};

// Bit 0 of eight image bytes per data byte, most significant bit first.
// Writes only what lies inside the image (damaged carriers run off the end).
template <class Image>  // Bytes, or the working set's ImageBytes
void PutBits(Image& img, std::size_t base, const Bytes& data) {
  for (std::size_t k = 0; k < data.size(); ++k)
    for (int i = 0; i < 8; ++i) {
      std::size_t at = base + 8 * k + i;
      if (at >= img.size()) return;
      img[at] = static_cast<std::uint8_t>((img[at] & 0xFE) | ((data[k] >> (7 - i)) & 1));
    }
}

inline Bytes GetBits(const Bytes& img, std::size_t base, std::size_t count) {
  Bytes out(count, 0);
  for (std::size_t k = 0; k < count; ++k)
    for (int i = 0; i < 8; ++i) out[k] = static_cast<std::uint8_t>((out[k] << 1) | (img.at(base + 8 * k + i) & 1));
  return out;
}

inline Bytes Be32(std::uint32_t v) {
  return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

inline Bytes Ansi(const std::string& utf8) {
  std::string s = cp932::FromUtf8(utf8);
  return Bytes(s.begin(), s.end());
}

inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Memo record: L (big-endian), m, name, text.
inline Bytes MemoRecord(const Bytes& text, const Bytes& name = Ansi("text.txt")) {
  Bytes r = Be32(static_cast<std::uint32_t>(text.size()));
  r.push_back(static_cast<std::uint8_t>(name.size()));
  return Concat(Concat(r, name), text);
}

// A hand-built carrier. Kind 1 gets the header block; kind 0 the sound at 86.
struct CarrierSpec {
  std::uint32_t kind = 1;
  Bytes area;                      // sound (and memo record) as embedded
  std::int64_t size = -1;          // size field; -1 = area's sound length
  std::uint32_t soundSize = 0;     // used when size == -1
  std::string signature = "KR";
  std::string password;            // UTF-8, stored as CP932
  int passwordLength = -1;         // -1 = real length
  std::string name = "a.wav";
  int nameLength = -1;             // -1 = real length
};

inline Bytes BuildCarrier(Bytes img, const CarrierSpec& c) {
  std::uint32_t size = c.size >= 0 ? static_cast<std::uint32_t>(c.size) : c.soundSize;
  PutBits(img, 54, Be32((c.kind << 28) | (size & 0x0FFFFFFF)));
  if (c.kind != 1) {
    PutBits(img, 86, c.area);
    return img;
  }
  Bytes pw = Ansi(c.password);
  Bytes name = Ansi(c.name);
  int n = c.nameLength >= 0 ? c.nameLength : static_cast<int>(name.size());
  PutBits(img, 86, Bytes(c.signature.begin(), c.signature.end()));
  const int p = c.passwordLength >= 0 ? c.passwordLength : static_cast<int>(pw.size());
  PutBits(img, 102, {static_cast<std::uint8_t>(p)});
  pw.resize(8, 0);
  PutBits(img, 110, pw);
  PutBits(img, 174, {static_cast<std::uint8_t>(n)});
  PutBits(img, 182, name);
  PutBits(img, 182 + 8 * static_cast<std::size_t>(n), c.area);
  return img;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kc::ResetWorkData();
    kc::ImageBytes.clear();
    kc::SoundBytes.clear();
    kc::TempDir = tmp.path();
    kc::AppDir = tmp.path();
  }

  void TearDown() override {
    for (const auto& m : platform.messages) {
      EXPECT_EQ(m.icon, platform::Icon::Exclamation) << m.text;
      EXPECT_FALSE(m.waitCursorWhileShown) << m.text;
    }
  }

  std::string Put(const std::string& name, const Bytes& bytes) {
    WriteFile(tmp / name, bytes);
    return tmp / name;
  }

  std::string TempWav() const { return kc::TempDir + "temp.wav"; }

  // The open-image command: hourglass, OperationFailed cleared, load.
  void LoadImage(const std::string& path) {
    platform.waitCursor = true;
    kc::OperationFailed = 0;
    kc::LoadImageData(path);
    platform.waitCursor = false;
  }
  void LoadImage(const Bytes& bmp, const std::string& name = "image.bmp") { LoadImage(Put(name, bmp)); }

  // Opening a carrier: load, then look for sound.
  void Open(const Bytes& bmp, const std::string& name = "carrier.bmp") {
    LoadImage(bmp, name);
    ASSERT_EQ(kc::ImageLoaded, 1);
    Extract();
  }

  void Extract() {
    platform.waitCursor = true;
    kc::ExtractSound();
    platform.waitCursor = false;
  }

  // The open-sound command: the caller keeps the chosen path on success.
  void LoadSound(const std::string& path) {
    platform.waitCursor = true;
    kc::OperationFailed = 0;
    kc::LoadSoundData(path);
    platform.waitCursor = false;
    if (kc::OperationFailed == 0 && kc::SoundLoaded == 1) {
      kc::SoundPath = path;
      kc::Synthesized = 0;
    }
  }
  void LoadSound(const Bytes& wav, const std::string& name = "a.wav") { LoadSound(Put(name, wav)); }

  // The memo dialog and synthesize command, as far as the engine sees them.
  void PutMemo(const std::string& text) {
    kc::MemoCapacity = layout::MemoCapacityFor();
    kc::PutMemo(text, "text.txt");
  }
  void Synthesize(const std::string& password = "") {
    kc::Password = password;
    kc::OperationFailed = 0;
    kc::SynthesizeSound();
    if (kc::OperationFailed == 0) kc::Synthesized = 1;
  }

  // Synthesizes into the loaded image, saves, and opens the saved carrier as
  // a fresh session would (no password known, dialog answers scripted).
  void SaveAndReopen(const std::string& name = "out.bmp") {
    kc::SaveImageData(tmp / name);
    ASSERT_EQ(kc::ImageSaved, 1);
    kc::ResetWorkData();
    Open(ReadFile(tmp / name), "reopened.bmp");
  }

  // The outcome of a sound load that failed to read its file: the messages
  // (the replace question, if asked, then the load error), no sound, and
  // the previous sound and memo gone.
  void ExpectSoundReadFailure(const Strings& messages) {
    EXPECT_EQ(platform.Texts(), messages);
    EXPECT_EQ(kc::OperationFailed, 0);
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_EQ(kc::SoundSize, 0);
    EXPECT_EQ(kc::SoundPath, "");
    EXPECT_EQ(kc::MemoText, "");
    EXPECT_EQ(kc::MemoFileName, "");
  }

  TempDir tmp;
  EnginePlatform platform;
};

}  // namespace korimo::test
