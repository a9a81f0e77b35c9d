// Pictures read on demand (korimo-cli's info and extract) and sound areas
// that are never written: what they cost in reads and memory, and how a file
// that cannot give the bytes any more ends.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "commands/Commands.h"
#include "engine/ImageSource.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/Sanitizers.h"

namespace korimo::test {
namespace {

// Resident memory of this process, in bytes.
std::size_t Resident() {
  std::ifstream statm("/proc/self/statm");
  std::size_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

constexpr std::size_t kMiB = 1024 * 1024;

class OnDemandTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    kc::SetExtractionScope(kc::ExtractionScope::SoundAndMemo);
    kc::SetImageReading(kc::ImageReading::OnDemand);
  }
  void TearDown() override {
    kc::SetImageReading(kc::ImageReading::Whole);
    kc::SetExtractionScope(kc::ExtractionScope::TempFile);
    kc::StopReadingOnDemand();
    EngineTest::TearDown();
  }

  // A 1000 x 1000 picture (3 MB) carrying a sound of `soundBytes` and a memo.
  Bytes Carrier(int soundBytes) {
    wav = MakeWav(soundBytes / 2);
    area = Concat(wav, MemoRecord(Ansi("メモ")));
    CarrierSpec carrier;
    carrier.area = area;
    carrier.soundSize = static_cast<std::uint32_t>(wav.size());
    return BuildCarrier(MakeBmp(1000, 1000), carrier);
  }

  Bytes wav;
  Bytes area;
};

TEST_F(OnDemandTest, TakesOnlyTheBlocksOfTheSoundAndTheMemo) {
  const Bytes carrier = Carrier(20000);
  const std::string path = Put("carrier.bmp", carrier);
  LoadImage(path);
  Extract();
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), wav);
  std::string name, text;
  EXPECT_EQ(kc::GetMemo(name, text), 4);
  EXPECT_EQ(text, "メモ");
  EXPECT_EQ(korimo::layout::StoredSoundName(), "a.wav");
  // 8 picture bytes per byte of sound and memo, in 4 KB blocks.
  EXPECT_LE(kc::ImageBytesReadOnDemand(), 192u * 1024);
  EXPECT_EQ(kc::ImageBytes.size(), carrier.size());
  // No "temp.wav" is written or needed.
  EXPECT_FALSE(FileExists(TempWav()));
  EXPECT_TRUE(platform.messages.empty());

  // Saving such a picture writes the whole file.
  kc::SaveImageData(tmp / "copy.bmp");
  EXPECT_EQ(ReadFile(tmp / "copy.bmp"), carrier);

  // The memo alone: the header's block and the memo's, the same answers.
  kc::SetExtractionScope(kc::ExtractionScope::MemoOnly);
  LoadImage(path);
  Extract();
  EXPECT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
  EXPECT_EQ(kc::GetMemo(name, text), 4);
  EXPECT_EQ(text, "メモ");
  EXPECT_LE(kc::ImageBytesReadOnDemand(), 16u * 1024);
}

// A picture read on demand holds only what was read: the rest is zero, never
// the bytes of the picture loaded before it.
TEST_F(OnDemandTest, HoldsNothingOfThePreviousPicture) {
  const Bytes large = MakeBmp(1000, 800);
  const Bytes smaller = MakeBmp(700, 800);
  kc::SetImageReading(kc::ImageReading::Whole);
  LoadImage(large);
  kc::SetImageReading(kc::ImageReading::OnDemand);
  LoadImage(smaller);
  ASSERT_EQ(kc::ImageBytes.size(), smaller.size());
  EXPECT_EQ(std::count(kc::ImageBytes.begin() + 4096, kc::ImageBytes.end(), 0),
            static_cast<std::ptrdiff_t>(smaller.size() - 4096));
}

TEST_F(OnDemandTest, AFileCutShortAfterTheLoadIsAReadFailure) {
  const std::string path = Put("carrier.bmp", Carrier(20000));
  LoadImage(path);
  ASSERT_EQ(kc::ImageLoaded, 1);
  // The header's block was read at the load; the sound's blocks are gone now.
  std::filesystem::resize_file(path, 70000);
  EXPECT_THROW(kc::ExtractSound(), kc::ImageReadFailure);
  EXPECT_NE(kc::Synthesized, 1);

  // The open-image command ends it as a picture that cannot be read.
  std::filesystem::remove(path);
  Put("carrier.bmp", Carrier(20000));
  platform.messages.clear();
  const auto outcome = commands::OpenImage(path, [&] { std::filesystem::resize_file(path, 70000); });
  EXPECT_EQ(outcome, commands::ImageOutcome::Lost);
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
  EXPECT_EQ(kc::ImageLoaded, 0);
  EXPECT_EQ(kc::Synthesized, 0);
}

TEST_F(OnDemandTest, AreasThatAreNeverWrittenCostNoMemory) {
  // A tiny picture whose data-size field claims 2^31 - 1 bytes: every figure
  // derived from the field stands, the 256 MB behind them stays untouched.
  Bytes tiny = MakeBmp(8, 8);
  for (int i = 0; i < 4; ++i) tiny[34 + i] = i == 3 ? 0x7F : 0xFF;
  const std::string path = Put("tiny.bmp", tiny);
  for (auto reading : {kc::ImageReading::Whole, kc::ImageReading::OnDemand}) {
    kc::SetImageReading(reading);
    const std::size_t before = Resident();
    LoadImage(path);
    Extract();
    EXPECT_EQ(kc::SoundAreaSize, 268435445);
    EXPECT_EQ(kc::SoundBytes.size(), 268435446u);
    EXPECT_EQ(kc::SoundBytes[268435445], 0);
    if (!kAddressSanitizer) {
      EXPECT_LT(Resident(), before + 16 * kMiB);
    }
  }
  // Re-dimensioning a large area again gives zeros without writing them.
  kc::SoundBytes[1000] = 7;
  const std::size_t before = Resident();
  kc::Redim(kc::SoundBytes, 200 * kMiB);
  EXPECT_EQ(kc::SoundBytes[1000], 0);
  if (!kAddressSanitizer) {
    EXPECT_LT(Resident(), before + 16 * kMiB);
  }
}

}  // namespace
}  // namespace korimo::test
