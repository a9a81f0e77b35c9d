// Reading WAV files as the sound to embed: tags, names, fit, refusals.
#include "tests/engine/EngineFixture.h"

namespace korimo::test {
namespace {

Bytes WithChunkSize(Bytes wav, std::uint32_t size) {
  for (int i = 0; i < 4; ++i) wav.at(4 + i) = static_cast<std::uint8_t>(size >> (8 * i));
  return wav;
}

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
  const Bytes wav = MakeWav(500);  // 1044 bytes
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
TEST_F(WavLoadTest, FitCheckOfSmallImage) {
  LoadImage(MakeBmp(10, 20, 32));
  ASSERT_EQ(kc::ImageDataSize, 800);
  struct Case { int samples; bool fits; };
  const Case cases[] = {{24, true}, {25, false}, {46, false}};  // chunk sizes 60, 61, 82
  for (const auto& c : cases) {
    SCOPED_TRACE(c.samples);
    platform.Clear();
    kc::SoundLoaded = 0;
    const Bytes sound = MakeWav(c.samples, 8);
    LoadSound(sound);
    if (c.fits) {
      EXPECT_TRUE(platform.messages.empty());
      EXPECT_EQ(kc::SoundSize, 68);
      EXPECT_EQ(kc::SoundAreaSize, 79);
      Bytes expected = sound;
      expected.resize(80, 0);
      EXPECT_EQ(kc::SoundBytes, expected);
      EXPECT_LT(layout::MemoCapacityFor(), 1);
    } else {
      EXPECT_EQ(platform.Texts(), Strings{msg::kSoundDoesNotFit});
      EXPECT_EQ(kc::OperationFailed, 1);
      EXPECT_EQ(kc::SoundLoaded, 0);
    }
  }
}

// Every refusal after a Yes keeps the previous sound and its memo.
TEST_F(WavLoadTest, RefusalsKeepThePreviousSound) {
  Bytes lower = wav, avi = wav, riffSize = WithChunkSize(wav, 2147483639);
  std::copy_n("riff", 4, lower.begin());
  std::copy_n("AVI ", 4, avi.begin() + 8);
  struct Case { const char* what; Bytes file; const char* message; };
  const Case cases[] = {
      {"lower-case riff", lower, msg::kCannotRead},
      {"AVI form type", avi, msg::kCannotRead},
      {"not RIFF at all", Bytes(100, 'x'), msg::kCannotRead},
      {"too large", MakeWav(8000), msg::kSoundDoesNotFit},
      {"largest chunk size", riffSize, msg::kSoundDoesNotFit},
  };
  LoadPicture();
  LoadPreviousSoundWithMemo();
  const Bytes area = kc::SoundBytes;
  const kc::Long size = kc::SoundSize, areaSize = kc::SoundAreaSize;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform.Clear();
    LoadSound(c.file, "new.wav");
    EXPECT_EQ(platform.Texts(), (Strings{msg::kReplaceSound, c.message}));
    EXPECT_EQ(platform.messages.at(0).buttons, platform::Buttons::YesNo);
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(kc::SoundLoaded, 1);
    EXPECT_EQ(kc::SoundBytes, area);
    EXPECT_EQ(kc::SoundSize, size);
    EXPECT_EQ(kc::SoundAreaSize, areaSize);
    EXPECT_EQ(kc::MemoText, "前のメモ");
    EXPECT_EQ(kc::MemoFileName, "text.txt");
  }
  // Answering No: nothing is read.
  platform.Clear();
  platform.answers = {platform::Answer::No};
  LoadSound(wav, "new.wav");
  EXPECT_EQ(platform.Texts(), Strings{msg::kReplaceSound});
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::SoundBytes, area);
  // Yes and a good file: replaced, memo dropped.
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
  EXPECT_EQ(platform.Texts(), (Strings{msg::kReplaceSound, msg::kCannotLoad}));
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_EQ(kc::SoundSize, 0);
  EXPECT_EQ(kc::SoundPath, "");
  EXPECT_EQ(kc::MemoText, "");
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
TEST_F(WavLoadTest, MalformedFilesAreRefused) {
  struct Case { const char* what; Bytes file; };
  const Case cases[] = {
      {"empty", {}},
      {"3 bytes", Bytes(wav.begin(), wav.begin() + 3)},
      {"RIFF only", Bytes(wav.begin(), wav.begin() + 4)},
      {"no form type", Bytes(wav.begin(), wav.begin() + 8)},
      {"half a form type", Bytes(wav.begin(), wav.begin() + 10)},
      {"chunk size -16", WithChunkSize(wav, 0xFFFFFFF0u)},
      {"chunk size -2^31", WithChunkSize(wav, 0x80000000u)},
  };
  LoadPicture();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform.Clear();
    LoadSound(c.file);
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_FALSE(platform.messages.empty());
    EXPECT_GE(kc::SoundSize, 0);
  }
}

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
