// Arbitrary bytes as a sound file against a loaded image, through the whole
// sender and receiver path: LoadSoundData, PutMemo, SynthesizeSound,
// SaveImageData, then a fresh session reloads the saved carrier and extracts.
// Whenever the sound load and the memo are accepted, the extraction must give
// back exactly the sound and the memo.
//
// Input layout: sound file bytes, memo bytes (UTF-8), memo length (1 byte),
// control byte. The control byte picks the sound file's name (bits 0-1), the
// image (bits 2-3), the password (bits 4-5), a wrong-password attempt first
// (bit 6) and whether a memo is stored (bit 7).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Synthesis.h"
#include "fuzz/FuzzSupport.h"
#include "media/BmpLoad.h"
#include "media/CarrierSave.h"
#include "media/WavLoad.h"
#include "platform/Cp932.h"

namespace kc = Korimocom;
using namespace korimo::fuzz;

namespace {

const std::string& SoundName(int choice) {
  static const std::string names[4] = {
      "a.wav",
      "こんにちは.wav",
      std::string(251, 'n') + ".wav",  // 255 bytes, the longest name stored
      "dir\\b.wav",                    // the stored name is the part after the backslash
  };
  return names[choice];
}

const char* const kPasswords[4] = {"", "pw", "12345678", "パス"};

struct Image {
  Bytes bytes;
};

// Four pictures: tiny, odd width with row padding, an image-data size that is
// 4 more than a multiple of 8 (100 x 75), and 32 bits per pixel.
const Image& PickImage(int choice) {
  static const std::array<Image, 4> images = [] {
    const int shapes[4][3] = {{16, 16, 24}, {33, 20, 24}, {100, 75, 24}, {64, 64, 32}};
    std::array<Image, 4> out;
    for (int i = 0; i < 4; ++i) {
      out[i].bytes = MakeBmp(shapes[i][0], shapes[i][1], shapes[i][2]);
    }
    return out;
  }();
  return images[choice];
}

void LoadFresh(const Bytes& image) {
  FreshSession();
  kc::ImageBytes.clear();
  kc::SoundBytes.clear();
  kc::OperationFailed = 0;
  kc::LoadImageData(std::span<const kc::Byte>(image));
  Check(kc::ImageLoaded == 1 && kc::OperationFailed == 0, "image did not load");
  kc::ExtractSound();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzPlatform platform;
  const std::uint8_t control = size >= 2 ? data[size - 1] : 0;
  std::size_t memoLength = size >= 2 ? data[size - 2] : 0;
  std::size_t soundLength = size >= 2 ? size - 2 : size;
  memoLength = std::min(memoLength, soundLength);
  soundLength -= memoLength;
  const std::string memo(reinterpret_cast<const char*>(data) + soundLength, memoLength);
  const bool storeMemo = (control & 0x80) != 0;
  const std::string password = kPasswords[(control >> 4) & 3];
  const Image& image = PickImage((control >> 2) & 3);
  const std::string soundPath = ScratchDir() + SoundName(control & 3);
  const std::string tempWav = ScratchDir() + "temp.wav";
  const std::string carrier = ScratchDir() + "out.bmp";

  // Sender: a fresh image, then the sound.
  LoadFresh(image.bytes);
  Check(kc::Synthesized == 0, "a plain picture reads as carrying sound");
  platform.answer = korimo::platform::Answer::Yes;
  kc::OperationFailed = 0;
  kc::LoadSoundData(soundPath, std::span<const kc::Byte>(data, soundLength));
  if (kc::OperationFailed != 0 || kc::SoundLoaded != 1) {
    Check(kc::SoundLoaded == 0, "a refused sound counts as loaded");
    Trace("sound refused");
    return 0;
  }
  kc::SoundPath = soundPath;
  kc::Synthesized = 0;

  // The loaded sound is the file's first SoundSize bytes (zero-padded when the
  // file is shorter), and nothing else: the rest of the area is zero.
  Check(kc::SoundSize >= 8 && kc::SoundBytes.size() == static_cast<std::size_t>(kc::SoundAreaSize) + 1,
        "sound area size");
  const auto soundSize = static_cast<std::size_t>(kc::SoundSize);
  Bytes expected(soundSize, 0);
  std::memcpy(expected.data(), data, std::min(soundSize, soundLength));
  Check(soundSize + 4 <= kc::SoundBytes.size(), "accepted sound leaves no room for the memo length");
  Check(std::equal(expected.begin(), expected.end(), kc::SoundBytes.begin()), "loaded sound differs from the file");
  Check(std::all_of(kc::SoundBytes.begin() + soundSize, kc::SoundBytes.end(), [](std::uint8_t b) { return b == 0; }),
        "bytes after the sound are not zero");

  std::string expectedMemo;
  // As the memo dialog does, no memo is offered when there is no room for one.
  kc::MemoCapacity = korimo::layout::MemoCapacityFor();
  if (storeMemo && kc::MemoCapacity >= 1) {
    const Bytes before = kc::SoundBytes;
    // Only a memo with an exact CP932 form is stored; it comes back as that form.
    const auto ansi = korimo::cp932::FromUtf8Exact(memo);
    const auto capacity = static_cast<std::size_t>(std::max<kc::Long>(kc::MemoCapacity, 0));
    kc::PutMemo(memo, "text.txt");
    if (kc::OperationFailed == 0) {
      Check(ansi.has_value(), "a memo without an exact CP932 form was stored");
      Check(ansi->size() <= capacity, "memo over capacity");
      expectedMemo = korimo::cp932::ToUtf8(*ansi);
    } else {
      Check(!ansi || ansi->size() > capacity, "a memo within capacity was refused");
      Check(kc::SoundBytes == before, "a refused memo changed the sound area");
      kc::OperationFailed = 0;
    }
  }

  kc::Password = password;
  kc::SynthesizeSound();
  Check(kc::OperationFailed == 0, "synthesis refused an accepted sound");
  kc::Synthesized = 1;
  kc::SaveImageData(carrier);
  Check(kc::ImageSaved == 1, "save failed");
  const auto saved = ReadBytes(carrier);
  Check(saved && *saved == kc::ImageBytes, "saved file differs from ImageBytes");
  Check(saved->size() == image.bytes.size() && std::equal(image.bytes.begin(), image.bytes.begin() + 54, saved->begin()),
        "header or length changed");
  for (std::size_t i = 54; i < saved->size(); ++i)
    if (((*saved)[i] ^ image.bytes[i]) & 0xFE) Fail("a bit other than bit 0 changed");

  // Receiver: a fresh session that does not know the password.
  if (!password.empty() && (control & 0x40)) {
    platform.entry = "wrong";
    LoadFresh(*saved);
    Check(kc::Synthesized == 2 && kc::SoundLoaded == 1 && !Exists(tempWav), "wrong password not locked out");
  }
  platform.entry = password;
  platform.dialogs = 0;
  LoadFresh(*saved);
  Check(password.empty() == (platform.dialogs == 0), "password dialog shown wrongly");
  Check(kc::Synthesized == 1 && kc::SoundLoaded == 1, "embedded sound not found");
  Check(static_cast<std::size_t>(kc::SoundSize) == soundSize, "sound size changed");
  const auto extracted = ReadBytes(tempWav);
  Check(extracted && *extracted == kc::SoundBytes, "temp.wav differs from the sound area");
  Check(extracted->size() >= soundSize && std::equal(expected.begin(), expected.end(), extracted->begin()),
        "extracted sound differs from the file");

  std::string name, text;
  const kc::Long L = kc::GetMemo(name, text);
  if (expectedMemo.empty()) {
    Check(L == 0 && text.empty(), "a memo appeared");
  } else {
    Check(L > 0 && name == "text.txt" && text == expectedMemo, "memo did not survive");
  }
  ::unlink(tempWav.c_str());
  Trace(expectedMemo.empty() ? "round trip without memo" : "round trip with memo");
  return 0;
}
