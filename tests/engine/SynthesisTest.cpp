// Embedding sound and memo, checked against the test's own reference encoder,
// and memos carried through synthesis, save, reload and extraction.
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

class SynthesisTest : public EngineTest {
 protected:
  void LoadBoth(const std::string& soundName = "a.wav") {
    LoadImage(MakeBmp(64, 64));
    ASSERT_EQ(kc::ImageLoaded, 1);
    LoadSound(wav, soundName);
    ASSERT_EQ(kc::SoundLoaded, 1);
    ASSERT_EQ(kc::OperationFailed, 0);
  }
  const Bytes wav = MakeWav(200);  // 444 bytes
};

// 64 x 64 at 24 bits (data size 12288, file 12342). The embedded part of the
// area is E = min(area, ceil((12288 - S - 7) / 8)): "a.wav" gives S = 222,
// area 1515, E = 1508; "こんにちは.wav" (14 bytes) S = 294, area 1506, E = 1499.
struct LayoutCase {
  const char* label;
  std::string name;
  std::string password;
  Bytes storedPassword;
  std::size_t start;
  kc::Long embedded;
};

class HeaderLayout : public SynthesisTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(HeaderLayout, HeaderBlockAndSoundArea) {
  const LayoutCase& c = GetParam();
  LoadBoth(c.name);
  const Bytes before = kc::ImageBytes;
  Synthesize(c.password);
  ASSERT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::ImageSaved, 0);
  const Bytes& img = kc::ImageBytes;
  ASSERT_EQ(img.size(), before.size());

  EXPECT_EQ(GetBits(img, 54, 4), Be32(0x10000000u | 444));
  EXPECT_EQ(GetBits(img, 86, 2), (Bytes{'K', 'R'}));
  EXPECT_EQ(GetBits(img, 102, 1), Bytes{static_cast<std::uint8_t>(c.storedPassword.size())});
  Bytes slots = c.storedPassword;
  slots.resize(8, 0);
  EXPECT_EQ(GetBits(img, 110, 8), slots);
  const Bytes name = Ansi(c.name);
  EXPECT_EQ(GetBits(img, 174, 1), Bytes{static_cast<std::uint8_t>(name.size())});
  EXPECT_EQ(GetBits(img, 182, name.size()), name);
  ASSERT_EQ(182 + 8 * name.size(), c.start);

  // The whole embedded part of the area: the WAV, then zeros.
  EXPECT_EQ(layout::EmbeddedAreaBytes(kc::SoundAreaSize, static_cast<int>(name.size())), c.embedded);
  Bytes area = wav;
  area.resize(c.embedded, 0);
  EXPECT_EQ(GetBits(img, c.start, c.embedded), area);

  // Only bit 0 changes, nothing below 54 or past the embedded part.
  for (std::size_t i = 0; i < img.size(); ++i) {
    ASSERT_EQ(img[i] & 0xFE, before[i] & 0xFE) << i;
    if (i < 54 || i >= c.start + 8 * static_cast<std::size_t>(c.embedded)) {
      ASSERT_EQ(img[i], before[i]) << i;
    }
  }
  kc::CarrierKind = 0;
  EXPECT_EQ(kc::ReadSizeField(), 444);
  EXPECT_EQ(kc::CarrierKind, 1);

  const Bytes once = kc::ImageBytes;
  Synthesize(c.password);
  EXPECT_EQ(kc::ImageBytes, once);
  EXPECT_TRUE(platform.messages.empty());
}

const LayoutCase kLayouts[] = {
    {"NoPassword", "a.wav", "", {}, 222, 1508},
    {"OneBytePassword", "a.wav", "a", {'a'}, 222, 1508},
    {"AsciiPassword", "a.wav", "abc", {'a', 'b', 'c'}, 222, 1508},
    {"JapaneseNameKanaPassword", "こんにちは.wav", "ｱｲｳ", {0xB1, 0xB2, 0xB3}, 294, 1499},
};
INSTANTIATE_TEST_SUITE_P(Headers, HeaderLayout, ::testing::ValuesIn(kLayouts), ByLabel{});

// A refusal happens before anything is written, also for texts too long to
// count in 16 bits.
struct RefusalCase {
  const char* label;
  std::string soundPath;  // empty: the loaded sound's
  std::string password;
};

class SynthesisRefusal : public SynthesisTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SynthesisRefusal, LeavesImageUnchanged) {
  LoadBoth();
  if (!GetParam().soundPath.empty()) kc::SoundPath = GetParam().soundPath;
  const Bytes before = kc::ImageBytes;
  Synthesize(GetParam().password);
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::ImageBytes, before);
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_TRUE(platform.messages.empty());
}

const RefusalCase kRefusals[] = {
    {"NameOf256Bytes", "/x/" + std::string(252, 'n') + ".wav", ""},
    {"NameOf40000Bytes", "/x/" + std::string(40000, 'n'), ""},
    {"TenBytePassword", "", "パスワード"},
    {"NineBytePassword", "", "123456789"},
    {"PasswordWithALetterShiftJisLacks", "", "café"},
    {"PasswordThatIsNotUtf8", "", "ab\xC3"},
    {"PasswordOf40000Bytes", "", std::string(40000, 'p')},
};
INSTANTIATE_TEST_SUITE_P(Inputs, SynthesisRefusal, ::testing::ValuesIn(kRefusals), ByLabel{});

// A working set whose image cannot hold the header block (its data-size field
// lies about the file) is refused, not written past the end; a header block
// ending on the image's last byte is written.
struct HeaderRoomCase {
  const char* label;
  std::size_t imageBytes;  // the header block for "a.wav" ends at 222
  bool written;
};

class HeaderRoom : public SynthesisTest, public ::testing::WithParamInterface<HeaderRoomCase> {};

TEST_P(HeaderRoom, DecidesBeforeWriting) {
  Bytes image = MakeBmp(8, 8);  // 246 bytes
  image.resize(GetParam().imageBytes);
  kc::ImageBytes = image;
  kc::ImageLoaded = 1;
  kc::ImageDataSize = 12288;
  kc::SoundLoaded = 1;
  kc::SoundSize = 12;
  kc::SoundAreaSize = 100;
  kc::SoundBytes.assign(101, 0);
  kc::SoundPath = tmp / "a.wav";
  Synthesize();
  EXPECT_EQ(kc::OperationFailed, GetParam().written ? 0 : 1);
  if (GetParam().written) {
    EXPECT_EQ(GetBits(kc::ImageBytes, 182, 5), Ansi("a.wav"));
  } else {
    EXPECT_EQ(kc::ImageBytes, image);
  }
}

const HeaderRoomCase kHeaderRooms[] = {
    {"EndingOnTheLastByte", 222, true},
    {"OneBytePastTheEnd", 221, false},
    {"FarPastTheEnd", 102, false},
};
INSTANTIATE_TEST_SUITE_P(Images, HeaderRoom, ::testing::ValuesIn(kHeaderRooms), ByLabel{});

class MemoTest : public SynthesisTest {};

struct MemoCase {
  const char* label;
  std::string memo;
  kc::Long length;  // CP932 bytes
};

class MemoRoundTrip : public SynthesisTest, public ::testing::WithParamInterface<MemoCase> {};

TEST_P(MemoRoundTrip, ThroughSavedCarrier) {
  const MemoCase& c = GetParam();
  LoadBoth();
  PutMemo(c.memo);
  ASSERT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::MemoText, c.memo);
  EXPECT_EQ(kc::MemoFileName, "text.txt");
  Synthesize();
  SaveAndReopen();
  ASSERT_EQ(kc::Synthesized, 1);
  std::string name = "stale", text = "stale";
  EXPECT_EQ(kc::GetMemo(name, text), c.length);
  EXPECT_EQ(text, c.length ? c.memo : "");
  EXPECT_EQ(name, c.length ? "text.txt" : "");
}

const MemoCase kMemos[] = {
    {"Empty", "", 0},
    {"OneLetter", "x", 1},
    {"TwoLinesCrLf", "一行目\r\n二行目\r\n", 16},
    {"HalfWidthKana", "ﾒﾓ", 2},
    {"WaveDashCircledDigitIbmKanji", "～①髙", 6},
};
INSTANTIATE_TEST_SUITE_P(Memos, MemoRoundTrip, ::testing::ValuesIn(kMemos), ByLabel{});

// 100 x 75 at 24 bits: data size 22500 = 8 * 2812 + 4, so the rounded area
// (2792 bytes for "a.wav") ends past the end of the file. Embedded part
// E = min(2792, ceil((22500 - 222 - 7) / 8)) = 2784; sound 2044 bytes;
// memo capacity 2784 - 2044 - 13 = 727.
TEST_F(MemoTest, MemoOfExactCapacityRoundTripsInOddSizedImage) {
  const Bytes sound = MakeWav(1000);
  ASSERT_EQ(sound.size(), 2044u);
  LoadImage(MakeBmp(100, 75));
  ASSERT_EQ(kc::ImageDataSize, 22500);
  LoadSound(sound);
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundAreaSize, 2792);
  EXPECT_EQ(layout::MemoCapacityFor(), 727);

  std::string memo;
  for (int i = 0; i < 363; ++i) memo += "あ";
  memo += "a";  // 727 bytes
  const Bytes soundArea = kc::SoundBytes;
  PutMemo(memo + "b");
  EXPECT_EQ(kc::OperationFailed, 1);
  PutMemo(memo.substr(0, memo.size() - 1) + "い");  // 728 bytes: full-width counts 2
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(platform.Texts(), (Strings{msg::kMemoTooLong, msg::kMemoTooLong}));
  EXPECT_EQ(kc::SoundBytes, soundArea);
  EXPECT_EQ(kc::MemoText, "");

  PutMemo(memo);
  ASSERT_EQ(kc::OperationFailed, 0);
  Synthesize();
  SaveAndReopen();
  EXPECT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(kc::SoundSize, 2044);
  EXPECT_EQ(kc::SoundAreaSize, 2792);
  const Bytes temp = ReadFile(TempWav());
  EXPECT_EQ(temp.size(), 2793u);
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), temp.begin()));
  std::string name, text;
  EXPECT_EQ(kc::GetMemo(name, text), 727);
  EXPECT_EQ(name, "text.txt");
  EXPECT_EQ(text, memo);
  EXPECT_EQ(kc::GetMemo(name, text, 5), 727);  // cut between two characters
  EXPECT_EQ(text, "ああ");
}

// The record (L, m, name, text) must fit the sound buffer whatever the
// allowance says: a buffer ending on the record's last byte takes it, one
// byte shorter refuses it and stays as it was.
TEST_F(MemoTest, RecordMustFitTheSoundBuffer) {
  const Bytes record = MemoRecord(Ansi("abc"));  // 16 bytes
  kc::SoundSize = 20;
  kc::MemoCapacity = 32767;

  kc::SoundBytes.assign(20 + record.size(), 0);
  kc::PutMemo("abc", "text.txt");
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::SoundBytes, Concat(Bytes(20, 0), record));
  EXPECT_EQ(kc::MemoText, "abc");

  kc::MemoText.clear();
  kc::SoundBytes.assign(20 + record.size() - 1, 0);
  kc::PutMemo("abc", "text.txt");
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(platform.Texts(), Strings{msg::kMemoTooLong});
  EXPECT_EQ(kc::SoundBytes, Bytes(35, 0));
  EXPECT_EQ(kc::MemoText, "");
}

TEST_F(MemoTest, MemoFileNameOf256BytesIsRefused) {
  LoadBoth();
  kc::MemoCapacity = layout::MemoCapacityFor();
  const Bytes area = kc::SoundBytes;
  kc::PutMemo("memo", std::string(256, 'n'));
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(platform.Texts(), Strings{msg::kMemoNameTooLong});
  EXPECT_EQ(kc::SoundBytes, area);
  EXPECT_EQ(kc::MemoFileName, "");
}

}  // namespace
}  // namespace korimo::test
