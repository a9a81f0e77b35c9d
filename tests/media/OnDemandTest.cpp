// Pictures read on demand (korimo-cli's info, extract and embed) and sound
// areas that are never written: what they cost in reads and memory, that an
// embedding streamed to the new file writes exactly what an embedding in
// memory writes, and how a file that cannot give the bytes any more ends.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <functional>

#include "commands/Commands.h"
#include "engine/ImageSource.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"
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

// A 1000 x 1000 picture (3 MB) carrying a sound of `soundBytes` and a memo.
Bytes Carrier(int soundBytes) {
  CarrierSpec carrier;
  carrier.area = Concat(MakeWav(soundBytes / 2), MemoRecord(Ansi("メモ")));
  carrier.soundSize = static_cast<std::uint32_t>(MakeWav(soundBytes / 2).size());
  return BuildCarrier(MakeBmp(1000, 1000), carrier);
}

class OnDemandTest : public EngineTest {
 protected:
  void TearDown() override {
    kc::StopReadingOnDemand();
    EngineTest::TearDown();
  }

  // korimo-cli's way of opening a picture, unless a test says otherwise.
  kc::ImageReading reading = kc::ImageReading::OnDemand;
  kc::ExtractionScope scope = kc::ExtractionScope::SoundAndMemo;
  commands::OpenOptions Options() const { return {reading, scope}; }
  void LoadImage(const std::string& path) { kc::LoadImageData(path, reading); }
  void LoadImage(const Bytes& bmp) { LoadImage(Put("image.bmp", bmp)); }
  void Extract() { kc::ExtractSound(scope); }

};

TEST_F(OnDemandTest, TakesOnlyTheBlocksOfTheSoundAndTheMemo) {
  const Bytes carrier = Carrier(20000);
  const Bytes wav = MakeWav(10000);
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
  scope = kc::ExtractionScope::MemoLength;
  LoadImage(path);
  Extract();
  EXPECT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
  EXPECT_EQ(kc::MemoLength(), 4);
  EXPECT_LE(kc::ImageBytesReadOnDemand(), 16u * 1024);
}

// A picture read on demand holds only what was read: the rest is zero, never
// the bytes of the picture loaded before it.
TEST_F(OnDemandTest, HoldsNothingOfThePreviousPicture) {
  const Bytes large = MakeBmp(1000, 800);
  const Bytes smaller = MakeBmp(700, 800);
  reading = kc::ImageReading::Whole;
  LoadImage(large);
  reading = kc::ImageReading::OnDemand;
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
  EXPECT_THROW(kc::ExtractSound(scope), kc::ImageReadFailure);
  EXPECT_NE(kc::Synthesized, 1);

  // The open-image command ends it as a picture that cannot be read.
  std::filesystem::remove(path);
  Put("carrier.bmp", Carrier(20000));
  platform.messages.clear();
  const auto outcome = commands::OpenImage(path, Options(), [&] { std::filesystem::resize_file(path, 70000); });
  EXPECT_EQ(outcome, commands::ImageOutcome::Lost);
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
  EXPECT_EQ(kc::ImageLoaded, 0);
  EXPECT_EQ(kc::Synthesized, 0);
}

// The picture with `gap` unused bytes between the headers and the pixels,
// which synthesis rewrites into the classic layout first.
Bytes WithGap(Bytes bmp, std::size_t gap) {
  bmp.insert(bmp.begin() + 54, gap, 0xEE);
  const std::uint32_t size = static_cast<std::uint32_t>(bmp.size());
  const std::uint32_t offset = static_cast<std::uint32_t>(54 + gap);
  for (int i = 0; i < 4; ++i) {
    bmp[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    bmp[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
  }
  return bmp;
}

struct EmbedCase {
  const char* label;
  std::function<Bytes()> picture;
  int soundBytes;
  std::optional<std::string> memo;
  std::string password;
};

class OnDemandEmbedding : public OnDemandTest, public ::testing::WithParamInterface<EmbedCase> {
 protected:
  // The embed command's steps, reading the picture as given; the saved file.
  // `bits` receives the data bytes of bit 0 from offset 54 to the end, as the
  // picture holds them after the synthesis.
  Bytes Embed(kc::ImageReading howRead, const std::string& picture, const std::string& sound, const std::string& out,
              Bytes& bits) {
    kc::ResetWorkData();
    EXPECT_EQ(commands::OpenImage(picture, {howRead, scope}), commands::ImageOutcome::Opened);
    EXPECT_EQ(commands::OpenSound(sound), commands::SoundOutcome::Opened);
    if (GetParam().memo) {
      EXPECT_EQ(commands::OpenMemoEntry(), commands::MemoRoom::Available);
      EXPECT_TRUE(commands::StoreMemo(*GetParam().memo));
    }
    platform.passwords.push_back(GetParam().password);
    EXPECT_EQ(commands::Synthesize(msg::kLoadBothToSynthesize), commands::SynthesisOutcome::Done);
    bits.assign((kc::ImageBytes.size() - 54) / 8, 0);
    kc::ExtractBytes(54, bits.data(), bits.size());
    if (howRead == kc::ImageReading::OnDemand) {
      // A stretch in the middle read back before the save (groups of eight
      // cut at both ends): the save then writes it from memory.
      const std::size_t middle = kc::ImageBytes.size() / 2 + 13;
      kc::RequireImageBytes(middle, middle + 5000);
    }
    EXPECT_TRUE(commands::Save(out));
    return ReadFile(out);
  }
};

TEST_P(OnDemandEmbedding, WritesTheSameCarrierAsAnEmbeddingInMemory) {
  const std::string picture = Put("picture.bmp", GetParam().picture());
  const Bytes wav = MakeWav(GetParam().soundBytes / 2);
  const std::string sound = Put("sound.wav", wav);
  Bytes inMemoryBits, streamedBits;
  const Bytes inMemory = Embed(kc::ImageReading::Whole, picture, sound, tmp / "in-memory.bmp", inMemoryBits);
  const Bytes streamed = Embed(kc::ImageReading::OnDemand, picture, sound, tmp / "streamed.bmp", streamedBits);
  EXPECT_TRUE(streamedBits == inMemoryBits);
  ASSERT_EQ(streamed.size(), inMemory.size());
  const auto differs = std::mismatch(streamed.begin(), streamed.end(), inMemory.begin());
  EXPECT_EQ(differs.first, streamed.end()) << "first difference at " << (differs.first - streamed.begin());
  // Nothing to say but the question before a carried sound is replaced.
  for (const std::string& text : platform.Texts()) EXPECT_EQ(text, msg::kReplaceSound);

  // And it carries the sound.
  kc::ResetWorkData();
  platform.passwords.push_back(GetParam().password);
  ASSERT_EQ(commands::OpenImage(tmp / "streamed.bmp", Options()), commands::ImageOutcome::Opened);
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), wav);
}

const EmbedCase kEmbeddings[] = {
    {"SmallPictureEmbeddedAtOnce", [] { return MakeBmp(200, 150); }, 2000, std::nullopt, ""},
    {"LargePictureWithMemo", [] { return MakeBmp(1000, 1000); }, 40000, "メモ", ""},
    {"PaddedRowsAndPassword", [] { return MakeBmp(1001, 700); }, 100000, std::nullopt, "pw"},
    {"Bits32", [] { return MakeBmp(1000, 1000, 32); }, 300000, "memo", ""},
    {"SoundNearlyFillsTheArea", [] { return MakeBmp(1000, 1000); }, 370000, std::nullopt, ""},
    {"PictureAlreadyCarriesSound", [] { return Carrier(20000); }, 30000, "新", ""},
    {"PixelsAfterAGap", [] { return WithGap(MakeBmp(900, 900), 16); }, 50000, std::nullopt, ""},
};
INSTANTIATE_TEST_SUITE_P(Pictures, OnDemandEmbedding, ::testing::ValuesIn(kEmbeddings), ByLabel{});

// A picture cut short between the embedding and the save: no file, the
// save's message, and the target left as it was.
TEST_F(OnDemandTest, APictureCutShortBeforeTheSaveWritesNothing) {
  const std::string picture = Put("picture.bmp", MakeBmp(1000, 1000));
  ASSERT_EQ(commands::OpenImage(picture, Options()), commands::ImageOutcome::Opened);
  ASSERT_EQ(commands::OpenSound(Put("sound.wav", MakeWav(20000))), commands::SoundOutcome::Opened);
  platform.passwords.push_back("");
  ASSERT_EQ(commands::Synthesize(msg::kLoadBothToSynthesize), commands::SynthesisOutcome::Done);
  const std::string target = Put("target.bmp", Bytes{'o', 'l', 'd'});
  std::filesystem::resize_file(picture, 2000000);
  EXPECT_FALSE(commands::Save(target));
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSave});
  EXPECT_EQ(ReadFile(target), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 3);
}

TEST_F(OnDemandTest, AreasThatAreNeverWrittenCostNoMemory) {
  // A tiny picture whose data-size field claims 2^31 - 1 bytes: every figure
  // derived from the field stands, the 256 MB behind them stays untouched.
  Bytes tiny = MakeBmp(8, 8);
  for (int i = 0; i < 4; ++i) tiny[34 + i] = i == 3 ? 0x7F : 0xFF;
  const std::string path = Put("tiny.bmp", tiny);
  for (auto how : {kc::ImageReading::Whole, kc::ImageReading::OnDemand}) {
    reading = how;
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
