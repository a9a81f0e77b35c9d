// Reading WAV files as the sound to embed: tags, names, fit, refusals.
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

Bytes WithChunkSize(Bytes wav, std::uint32_t size) {
  for (int i = 0; i < 4; ++i) wav.at(4 + i) = static_cast<std::uint8_t>(size >> (8 * i));
  return wav;
}

const Bytes kWav = MakeWav(500);  // 1044 bytes

class WavLoadTest : public EngineTest {
 protected:
  // 200 x 100 at 24 bits: data size 60000, room for a few kilobytes.
  void LoadPicture() {
    LoadImage(MakeBmp(200, 100));
    ASSERT_EQ(kc::ImageLoaded, 1);
  }
  // A sound with a memo, as the state that a refused load must keep.
  void LoadPreviousSoundWithMemo() {
    LoadSound(MakeWav(300), "prev.wav");
    ASSERT_EQ(kc::SoundLoaded, 1);
    PutMemo("前のメモ");
    ASSERT_EQ(kc::OperationFailed, 0);
    platform.Clear();
  }
  const Bytes wav = kWav;
};

TEST_F(WavLoadTest, WithoutImageNothingHappens) {
  LoadSound(wav);
  EXPECT_EQ(platform.Texts(), Strings{msg::kLoadImageFirst});
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_EQ(kc::SoundSize, 0);
  EXPECT_TRUE(kc::SoundBytes.empty());
}

TEST_F(WavLoadTest, AcceptedSoundFillsTheArea) {
  LoadPicture();
  LoadSound(wav);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundSize, 1044);
  EXPECT_EQ(kc::SoundAreaSize, 7500 - 5 - 16);
  Bytes expected = wav;
  expected.resize(7500 - 5 - 16 + 1, 0);
  EXPECT_EQ(kc::SoundBytes, expected);
  EXPECT_EQ(kc::MemoText, "");

  // A Japanese name counts its CP932 bytes: "こんにちは.wav" is 14.
  LoadSound(wav, "こんにちは.wav");
  EXPECT_EQ(kc::SoundAreaSize, 7500 - 14 - 16);
}

// Data size 800 with "a.wav": area 79 of which 72 bytes are embedded, so a
// sound is accepted up to 68 bytes (its memo length field must fit too).
struct FitCase {
  const char* label;
  int samples;  // 8-bit mono: the file is samples + 44 bytes
  bool fits;
};

class FitOfSmallImage : public WavLoadTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitOfSmallImage, UpToTheMemoLengthField) {
  LoadImage(MakeBmp(10, 20, 32));
  ASSERT_EQ(kc::ImageDataSize, 800);
  const Bytes sound = MakeWav(GetParam().samples, 8);
  LoadSound(sound);
  EXPECT_EQ(kc::SoundLoaded, GetParam().fits ? 1 : 0);
  EXPECT_EQ(kc::OperationFailed, GetParam().fits ? 0 : 1);
  EXPECT_EQ(platform.Texts(), GetParam().fits ? Strings{} : Strings{msg::kSoundDoesNotFit});
}

const FitCase kFits[] = {
    {"SixtyEightBytesFit", 24, true},
    {"SixtyNineBytesDoNot", 25, false},
    {"NinetyBytesDoNot", 46, false},
};
INSTANTIATE_TEST_SUITE_P(Sounds, FitOfSmallImage, ::testing::ValuesIn(kFits), ByLabel{});

// The largest sound that fits leaves the area as the WAV and zeros, and no
// room for a memo.
TEST_F(WavLoadTest, LargestFittingSoundOfSmallImage) {
  LoadImage(MakeBmp(10, 20, 32));
  const Bytes sound = MakeWav(24, 8);
  LoadSound(sound);
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundSize, 68);
  EXPECT_EQ(kc::SoundAreaSize, 79);
  Bytes expected = sound;
  expected.resize(80, 0);
  EXPECT_EQ(kc::SoundBytes, expected);
  EXPECT_LT(layout::MemoCapacityFor(), 1);
}

// Every refusal after a Yes keeps the previous sound and its memo.
struct RefusedSoundCase {
  const char* label;
  Bytes file;
  const char* message;
};

Bytes WithTag(Bytes b, std::size_t at, const char* tag) {
  std::copy_n(tag, 4, b.begin() + at);
  return b;
}

class RefusedSound : public WavLoadTest, public ::testing::WithParamInterface<RefusedSoundCase> {};

TEST_P(RefusedSound, KeepsThePreviousSound) {
  LoadPicture();
  LoadPreviousSoundWithMemo();
  const Bytes area = kc::SoundBytes;
  const kc::Long size = kc::SoundSize, areaSize = kc::SoundAreaSize;
  LoadSound(GetParam().file, "new.wav");
  EXPECT_EQ(platform.Texts(), (Strings{msg::kReplaceSound, GetParam().message}));
  EXPECT_EQ(platform.messages.at(0).buttons, platform::Buttons::YesNo);
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundBytes, area);
  EXPECT_EQ(kc::SoundSize, size);
  EXPECT_EQ(kc::SoundAreaSize, areaSize);
  EXPECT_EQ(kc::MemoText, "前のメモ");
  EXPECT_EQ(kc::MemoFileName, "text.txt");
}

const RefusedSoundCase kRefusedSounds[] = {
    {"LowerCaseRiff", WithTag(kWav, 0, "riff"), msg::kCannotRead},
    {"AviFormType", WithTag(kWav, 8, "AVI "), msg::kCannotRead},
    {"NotRiffAtAll", Bytes(100, 'x'), msg::kCannotRead},
    {"TooLarge", MakeWav(8000), msg::kSoundDoesNotFit},
    {"LargestChunkSize", WithChunkSize(kWav, 2147483639), msg::kSoundDoesNotFit},
};
INSTANTIATE_TEST_SUITE_P(Files, RefusedSound, ::testing::ValuesIn(kRefusedSounds), ByLabel{});

// The replace question: No reads nothing; Yes and a good file replace the
// sound and drop the memo.
TEST_F(WavLoadTest, ReplaceQuestion) {
  LoadPicture();
  LoadPreviousSoundWithMemo();
  const Bytes area = kc::SoundBytes;
  platform.answers = {platform::Answer::No};
  LoadSound(wav, "new.wav");
  EXPECT_EQ(platform.Texts(), Strings{msg::kReplaceSound});
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::SoundBytes, area);
  EXPECT_EQ(kc::MemoText, "前のメモ");

  platform.Clear();
  LoadSound(wav, "new.wav");
  EXPECT_EQ(platform.Texts(), Strings{msg::kReplaceSound});
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::SoundSize, 1044);
  EXPECT_EQ(kc::MemoText, "");
  EXPECT_EQ(kc::MemoFileName, "");
}

// A chunk size whose sound length overflows 32 bits is a read failure.
TEST_F(WavLoadTest, OverflowingChunkSizeIsReadFailure) {
  LoadPicture();
  LoadPreviousSoundWithMemo();
  LoadSound(WithChunkSize(wav, 2147483640), "new.wav");
  ExpectSoundReadFailure({msg::kReplaceSound, msg::kCannotLoad});
}

// Bytes after the RIFF chunk stay out of the sound area, where they would
// read back as a memo.
TEST_F(WavLoadTest, TrailingBytesAreNotLoaded) {
  LoadPicture();
  Bytes withTail = Concat(wav, Bytes(64, 0xFF));
  LoadSound(withTail);
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundSize, 1044);
  EXPECT_TRUE(std::equal(wav.begin(), wav.end(), kc::SoundBytes.begin()));
  EXPECT_TRUE(std::all_of(kc::SoundBytes.begin() + 1044, kc::SoundBytes.end(), [](kc::Byte b) { return b == 0; }));
  Synthesize();
  SaveAndReopen();
  ASSERT_EQ(kc::Synthesized, 1);
  std::string name, text;
  EXPECT_EQ(kc::GetMemo(name, text), 0);
}

// A RIFF chunk holds at least its form type: "RIFF", size 4, "WAVE" is the
// smallest file accepted, twelve bytes long; a chunk size of 3 is no WAV.
TEST_F(WavLoadTest, SmallestRiffChunkLoads) {
  LoadPicture();
  const Bytes smallest = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
  LoadSound(smallest);
  EXPECT_TRUE(platform.messages.empty());
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundSize, 12);
  EXPECT_TRUE(std::equal(smallest.begin(), smallest.end(), kc::SoundBytes.begin()));

  kc::SoundLoaded = 0;
  LoadSound(WithChunkSize(smallest, 3));
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotRead});
  EXPECT_EQ(kc::SoundLoaded, 0);
}

// Truncated files and negative chunk sizes end in a message, never a sound
// of impossible length.
struct MalformedCase {
  const char* label;
  Bytes file;
};

class MalformedWav : public WavLoadTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedWav, IsRefused) {
  LoadPicture();
  LoadSound(GetParam().file);
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_FALSE(platform.messages.empty());
  EXPECT_GE(kc::SoundSize, 0);
}

const MalformedCase kMalformed[] = {
    {"Empty", {}},
    {"ThreeBytes", Bytes(kWav.begin(), kWav.begin() + 3)},
    {"RiffOnly", Bytes(kWav.begin(), kWav.begin() + 4)},
    {"NoFormType", Bytes(kWav.begin(), kWav.begin() + 8)},
    {"HalfAFormType", Bytes(kWav.begin(), kWav.begin() + 10)},
    {"ChunkSizeMinus16", WithChunkSize(kWav, 0xFFFFFFF0u)},
    {"ChunkSizeMinus2To31", WithChunkSize(kWav, 0x80000000u)},
};
INSTANTIATE_TEST_SUITE_P(Files, MalformedWav, ::testing::ValuesIn(kMalformed), ByLabel{});

// The longest name a file system can hold is 255 bytes: stored in full, the
// sound area starting at image index 2222.
TEST_F(WavLoadTest, NameOf255BytesIsStored) {
  LoadImage(MakeBmp(100, 100));  // data size 30000
  const std::string name = std::string(251, 'n') + ".wav";
  LoadSound(wav, name);
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundAreaSize, 3750 - 255 - 16);
  Synthesize();
  ASSERT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(GetBits(kc::ImageBytes, 174, 1), Bytes{255});
  EXPECT_EQ(GetBits(kc::ImageBytes, 182, 255), Bytes(name.begin(), name.end()));
  EXPECT_EQ(GetBits(kc::ImageBytes, 2222, wav.size()), wav);
  SaveAndReopen();
  EXPECT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(kc::SoundAreaSize, 3479);
}

// The memo allowance with the longest name: the embedded part of the area is
// E = min(3479, ceil((30000 - 2222 - 7) / 8)) = 3472, so 3472 - 1044 - 13.
TEST_F(WavLoadTest, NameOf255BytesLeavesRoomForAMemo) {
  LoadImage(MakeBmp(100, 100));
  LoadSound(wav, std::string(251, 'n') + ".wav");
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(layout::MemoCapacityFor(), 2415);
  PutMemo("memo");
  ASSERT_EQ(kc::OperationFailed, 0);
  Synthesize();
  SaveAndReopen();
  std::string name, text;
  EXPECT_EQ(kc::GetMemo(name, text), 4);
  EXPECT_EQ(text, "memo");
}

// A path that does not exist is refused like a file with wrong tags: the
// previous sound stays, and no empty file of that name appears.
TEST_F(WavLoadTest, MissingFileIsRefusedWithoutCreatingIt) {
  LoadPicture();
  LoadPreviousSoundWithMemo();
  const Bytes area = kc::SoundBytes;
  LoadSound(tmp / "missing.wav");
  EXPECT_EQ(platform.Texts(), (Strings{msg::kReplaceSound, msg::kCannotRead}));
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundBytes, area);
  EXPECT_EQ(kc::MemoText, "前のメモ");
  EXPECT_FALSE(FileExists(tmp / "missing.wav"));
}

}  // namespace
}  // namespace korimo::test
