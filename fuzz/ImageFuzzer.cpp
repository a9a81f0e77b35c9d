// Arbitrary bytes as an image file: the open-image command's procedures
// (LoadImageData, then ExtractSound with a password dialog that answers "pw",
// then GetMemo) and the classic-layout rewrite synthesis makes must never
// crash, and their outcome must be consistent.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "fuzz/FuzzSupport.h"
#include "media/BmpClassic.h"
#include "media/BmpHeader.h"
#include "media/BmpLoad.h"

namespace kc = Korimocom;
using namespace korimo::fuzz;

namespace {

// An image-data-size field sizes the sound buffer (one eighth of it) before a
// single byte of the picture is looked at. Fields up to 2^31 are legitimate;
// the target skips those above 1 MiB only to keep each run fast.
constexpr std::uint32_t kMaxFuzzedDataSize = 1u << 20;

bool TooCostly(const std::uint8_t* data, std::size_t size) {
  const korimo::media::BmpHeader header = korimo::media::ParseBmpHeader({data, size});
  return header.signature && header.dataSize > kMaxFuzzedDataSize && header.dataSize <= 0x7FFFFFFFu;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (TooCostly(data, size)) return 0;
  static FuzzPlatform platform;
  platform.entry = "pw";
  platform.dialogs = 0;

  FreshSession();
  kc::ImageBytes.clear();
  kc::SoundBytes.clear();
  const std::string tempWav = ScratchDir() + "temp.wav";

  kc::OperationFailed = 0;
  kc::LoadImageData(std::span<const kc::Byte>(data, size));
  if (kc::OperationFailed != 0) {
    Check(kc::ImageLoaded == 0, "a rejected image counts as loaded");
    Trace("rejected");
    return 0;
  }
  if (kc::ImageLoaded != 1) {
    Trace("not loaded");
    return 0;
  }
  Check(kc::ImageBytes.size() == size && std::memcmp(kc::ImageBytes.data(), data, size) == 0,
        "ImageBytes differ from the file");
  if (kc::SoundAreaSize >= 0)
    Check(kc::SoundBytes.size() == static_cast<std::size_t>(kc::SoundAreaSize) + 1, "sound buffer size");
  if (const auto plan = korimo::media::PlanClassicLayout(kc::ImageBytes, kc::ImageBytes.size());
      plan.verdict == korimo::media::ClassicPlan::Verdict::Rewrite) {
    kc::ByteArray classic = kc::ImageBytes;
    korimo::media::RewriteInClassicLayout(classic, plan);
    Check(classic.size() == plan.size && classic[10] == 54 && classic[14] == 40 && classic[30] == 0,
          "rewritten picture is not in the classic layout");
    Check(std::memcmp(classic.data() + 34, data + 34, 4) == 0, "rewritten picture changed the data-size field");
  }

  kc::ExtractSound();
  switch (kc::Synthesized) {
    case 0:
      Check(kc::SoundLoaded == 0, "no sound but SoundLoaded");
      Check(!Exists(tempWav), "temp.wav left behind without sound");
      break;
    case 1: {
      Check(kc::SoundLoaded == 1, "sound without SoundLoaded");
      Check(kc::SoundPath == tempWav, "SoundPath is not temp.wav");
      Check(kc::SoundSize >= 4 && kc::SoundBytes.size() >= 4 && std::memcmp(kc::SoundBytes.data(), "RIFF", 4) == 0,
            "extracted sound is no RIFF file");
      const auto written = ReadBytes(tempWav);
      Check(written && *written == kc::SoundBytes, "temp.wav differs from the sound area");
      break;
    }
    case 2:
      Check(kc::SoundLoaded == 1 && platform.dialogs > 0, "locked sound without a password dialog");
      Check(!Exists(tempWav), "temp.wav written for a locked sound");
      break;
    default:
      Fail("Synthesized out of range");
  }

  std::string name, text;
  const kc::Long L = kc::GetMemo(name, text);
  Check(L >= 0, "negative memo length");
  if (L > 0) {
    Check(kc::CarrierKind == 1, "memo read from a carrier other than kind 1");
    Check(static_cast<std::int64_t>(kc::SoundSize) + 5 + L <= kc::SoundBytesRead, "memo beyond what was read");
  }
  ::unlink(tempWav.c_str());
  Trace(kc::Synthesized == 1 ? (L > 0 ? "sound and memo" : "sound") : kc::Synthesized == 2 ? "locked" : "no sound");
  return 0;
}
