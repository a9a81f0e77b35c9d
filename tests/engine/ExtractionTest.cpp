// Finding sound in hand-built and damaged carriers, passwords through the
// scripted dialog, the temporary file, and playback.
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <optional>

#include "engine/Playback.h"
#include "tests/engine/EngineFixture.h"

namespace korimo::test {
namespace {

void PutLE32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

class ExtractionTest : public EngineTest {
 protected:
  // 64 x 64 at 24 bits: data size 12288, file 12342 bytes, empty area 1525,
  // kind-1 area for "a.wav" 1515.
  const Bytes picture = MakeBmp(64, 64);
  const Bytes wav = MakeWav(200);  // 444 bytes

  CarrierSpec Kind1(Bytes tail = Be32(0)) const {
    CarrierSpec c;
    c.area = Concat(wav, tail);
    c.soundSize = static_cast<std::uint32_t>(wav.size());
    return c;
  }

  // Opens a carrier after a previous image had left sound and a temp.wav.
  void OpenOverPreviousSound(const Bytes& carrier) {
    Put("temp.wav", {'o', 'l', 'd'});
    LoadImage(carrier);
    ASSERT_EQ(kc::ImageLoaded, 1);
    kc::SoundLoaded = 1;
    kc::Synthesized = 1;
    kc::SoundPath = "prev.wav";
    Extract();
  }

  void ExpectExtracted(kc::Long areaSize) {
    EXPECT_EQ(kc::SoundLoaded, 1);
    EXPECT_EQ(kc::Synthesized, 1);
    EXPECT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
    EXPECT_EQ(kc::SoundAreaSize, areaSize);
    EXPECT_EQ(kc::SoundPath, TempWav());
    ASSERT_TRUE(FileExists(TempWav()));
    const Bytes temp = ReadFile(TempWav());
    EXPECT_EQ(temp.size(), static_cast<std::size_t>(areaSize) + 1);
    ASSERT_GE(temp.size(), wav.size());
    EXPECT_TRUE(std::equal(wav.begin(), wav.end(), temp.begin()));
  }
};

TEST_F(ExtractionTest, KindOneWithoutPasswordNeedsNoDialog) {
  kc::Password = "zzz";
  OpenOverPreviousSound(BuildCarrier(picture, Kind1()));
  ExpectExtracted(1515);
  EXPECT_EQ(kc::CarrierKind, 1);
  EXPECT_EQ(platform.passwordDialogs, 0);
  EXPECT_EQ(ReadFile(TempWav())[444 + 3], 0);  // memo length field, then zeros
  std::string name = "x", text = "x";
  EXPECT_EQ(kc::GetMemo(name, text), 0);
  EXPECT_EQ(name + text, "");
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ExtractionTest, KindZeroHasSoundButNoMemo) {
  CarrierSpec c;
  c.kind = 0;
  c.area = Concat(wav, MemoRecord(Ansi("hidden")));  // looks like a memo, must not be one
  c.soundSize = static_cast<std::uint32_t>(wav.size());
  kc::Password = "";
  OpenOverPreviousSound(BuildCarrier(picture, c));
  ExpectExtracted(1525);
  EXPECT_EQ(kc::CarrierKind, 0);
  EXPECT_EQ(platform.passwordDialogs, 0);
  std::string name = "x", text = "x";
  EXPECT_EQ(kc::GetMemo(name, text), 0);
  EXPECT_EQ(name + text, "");
}

// Every way an image can carry no usable sound, including damaged carriers
// whose fields point past the file: no sound, no temp.wav, no crash.
TEST_F(ExtractionTest, NoSoundOutcomes) {
  struct Case { std::string what; Bytes image; };
  std::vector<Case> cases;
  auto with = [&](std::string what, auto change, Bytes base = {}) {
    CarrierSpec c = Kind1();
    change(c);
    cases.push_back({std::move(what), BuildCarrier(base.empty() ? picture : base, c)});
  };
  cases.push_back({"plain picture", picture});
  with("size 0", [](CarrierSpec& c) { c.size = 0; });
  with("size 3", [](CarrierSpec& c) { c.size = 3; });
  with("size above ImageDataSize", [](CarrierSpec& c) { c.size = 12289; });
  for (std::uint32_t kind = 2; kind <= 15; ++kind)
    with("kind " + std::to_string(kind), [kind](CarrierSpec& c) { c.kind = kind; });
  with("wrong signature", [](CarrierSpec& c) { c.signature = "KS"; });
  with("password length 9", [](CarrierSpec& c) { c.password = "abcdefgh"; c.passwordLength = 9; });
  with("password length 255", [](CarrierSpec& c) { c.password = "abcdefgh"; c.passwordLength = 255; });
  with("kind 1 without RIFF", [](CarrierSpec& c) { c.area[3] = 'X'; });
  with("kind 0 without RIFF", [](CarrierSpec& c) { c.kind = 0; c.area[0] = 'r'; });
  with("kind 0 size beyond the sound buffer", [](CarrierSpec& c) { c.kind = 0; c.size = 5000; });
  with("kind 1 sound beyond the file", [](CarrierSpec& c) { c.size = 1600; });
  Bytes small = MakeBmp(20, 20);  // data size 1200
  with("name beyond the file", [](CarrierSpec& c) { c.nameLength = 255; c.size = 100; }, small);
  Bytes stub = MakeBmp(4, 4);  // 102 bytes claiming 12288 bytes of data
  stub[34] = 0x00, stub[35] = 0x30, stub[36] = 0, stub[37] = 0;
  with("header beyond the file", [](CarrierSpec&) {}, stub);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OpenOverPreviousSound(c.image);
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_EQ(kc::Synthesized, 0);
    EXPECT_FALSE(FileExists(TempWav()));
    if (c.what == "kind 1 without RIFF") {
      EXPECT_EQ(kc::SoundAreaSize, 1525);
    }
    if (c.what.rfind("kind ", 0) == 0 && c.what.size() <= 7) {
      EXPECT_EQ(kc::CarrierKind, std::stoi(c.what.substr(5)));
    }
  }
  EXPECT_EQ(platform.passwordDialogs, 0);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ExtractionTest, PasswordThroughScriptedDialog) {
  using Entries = std::deque<std::optional<std::string>>;
  struct Case { const char* what; std::string stored, current; Entries entries; int dialogs, synthesized; };
  const Case cases[] = {
      {"equal to current", "abc", "abc", {}, 0, 1},
      {"upper case refused", "abc", "", {"ABC"}, 1, 2},
      {"extra character refused", "abc", "", {"abcd"}, 1, 2},
      {"right entry", "abc", "", {"abc"}, 1, 1},
      {"right entry replacing another", "abc", "xyz", {"abc"}, 1, 1},
      {"dialog closed", "abc", "", {std::nullopt}, 1, 2},
      {"half-width kana equal", "ｱｲｳ", "ｱｲｳ", {}, 0, 1},
      {"eight characters", "pass1234", "", {"pass1234"}, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform.Clear();
    platform.waitCursorAtDialog.clear();
    platform.dialogOpeningAtDialog.clear();
    CarrierSpec carrier = Kind1();
    carrier.password = c.stored;
    Put("temp.wav", {'o', 'l', 'd'});
    LoadImage(BuildCarrier(picture, carrier));
    kc::SoundPath = "prev.wav";
    kc::Password = c.current;
    platform.passwords = c.entries;
    platform.waitCursor = true;
    kc::ExtractSound();
    EXPECT_TRUE(platform.waitCursor);  // hourglass back after the dialog
    EXPECT_EQ(platform.passwordDialogs, c.dialogs);
    for (bool wait : platform.waitCursorAtDialog) EXPECT_FALSE(wait);
    for (int opening : platform.dialogOpeningAtDialog) EXPECT_EQ(opening, 1);
    EXPECT_EQ(kc::SoundLoaded, 1);
    EXPECT_EQ(kc::Synthesized, c.synthesized);
    if (c.synthesized == 2) {
      EXPECT_FALSE(FileExists(TempWav()));
      EXPECT_EQ(kc::SoundPath, "prev.wav");
    } else {
      EXPECT_EQ(kc::SoundPath, TempWav());
      EXPECT_EQ(ReadFile(TempWav()).size(), 1516u);
    }
  }
}

TEST_F(ExtractionTest, UnwritableTempDirReportsNoSound) {
  kc::TempDir = tmp / "missing/";
  LoadImage(BuildCarrier(picture, Kind1()));
  Extract();
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSaveTemp});
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_EQ(kc::Synthesized, 0);
  EXPECT_FALSE(FileExists(tmp / "missing"));
}

// temp.wav lives in a shared directory: a symbolic link in its place, whether
// present before or planted right after the deletion, is never followed.
TEST_F(ExtractionTest, TempWavSymlinkIsNotFollowed) {
  const Bytes victim = {'k', 'e', 'e', 'p'};
  for (bool planted : {false, true}) {
    SCOPED_TRACE(planted ? "planted after deletion" : "present before");
    platform.Clear();
    Put("victim", victim);
    ::unlink(TempWav().c_str());
    ::unlink((tmp / "dangling").c_str());
    if (planted) {
      platform.afterDelete = [&](const std::string& path) {
        if (path == TempWav() && !FileExists(TempWav())) {
          ASSERT_EQ(::symlink((tmp / "victim").c_str(), path.c_str()), 0);
        }
      };
    } else {
      ASSERT_EQ(::symlink((tmp / "victim").c_str(), TempWav().c_str()), 0);
    }
    LoadImage(BuildCarrier(picture, Kind1()));
    Extract();
    platform.afterDelete = nullptr;
    EXPECT_EQ(ReadFile(tmp / "victim"), victim);
    struct stat st {};
    if (kc::SoundLoaded == 1) {
      ASSERT_EQ(::lstat(TempWav().c_str(), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(st.st_mode & 077, 0u) << "temp.wav is owner-only";
    }
    if (!planted) {
      EXPECT_EQ(kc::SoundLoaded, 1);
    }
  }
  // A dangling link must not create its target either.
  ::unlink(TempWav().c_str());
  ASSERT_EQ(::symlink((tmp / "dangling").c_str(), TempWav().c_str()), 0);
  Extract();
  EXPECT_FALSE(FileExists(tmp / "dangling"));
}

// A header whose data-size field is larger than the file: the embedding and
// the extraction stop at the end of the file, the carrier stays valid.
TEST_F(ExtractionTest, DataSizeFieldLargerThanFile) {
  Bytes liar = picture;
  liar[34] = 0xA0, liar[35] = 0x86, liar[36] = 0x01, liar[37] = 0;  // 100000
  LoadImage(liar);
  ASSERT_EQ(kc::ImageDataSize, 100000);
  LoadSound(wav);
  ASSERT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(layout::MemoCapacityFor(), 1515 - 444 - 13);
  PutMemo("memo");
  Synthesize();
  SaveAndReopen();
  ExpectExtracted(12479);
  std::string name, text;
  EXPECT_EQ(kc::GetMemo(name, text), 4);
  EXPECT_EQ(text, "memo");
}

// A size field longer than the sound area (a data-size field smaller than the
// file makes the area short) cannot come from a real carrier: whatever the
// outcome, a sound reported as extracted is complete in SoundBytes and temp.wav.
TEST_F(ExtractionTest, SoundLongerThanItsAreaIsNeverHalfExtracted) {
  Bytes image = picture;
  image[34] = 0x20, image[35] = 0x03, image[36] = 0, image[37] = 0;  // 800: area 79
  OpenOverPreviousSound(BuildCarrier(image, Kind1()));
  if (kc::SoundLoaded == 1) {
    EXPECT_GE(kc::SoundBytes.size(), wav.size());
    const Bytes temp = ReadFile(TempWav());
    ASSERT_GE(temp.size(), wav.size());
    EXPECT_TRUE(std::equal(wav.begin(), wav.end(), temp.begin()));
  }
  std::string name, text;
  EXPECT_EQ(kc::GetMemo(name, text), 0);
}

// A sound as long as its whole area is a sound, one byte more is a damaged
// carrier. Picture: the area ends exactly at the end of the file. Short data
// size: a data-size field of 800 gives "a.wav" an area of 79 bytes in a file
// that holds far more.
struct AreaFillCase {
  const char* label;
  std::uint32_t dataSize;  // 0: the picture's own
  std::size_t soundBytes;
  bool present;
};
void PrintTo(const AreaFillCase& c, std::ostream* os) { *os << c.label; }

class SoundFillingItsArea : public ExtractionTest, public ::testing::WithParamInterface<AreaFillCase> {};

TEST_P(SoundFillingItsArea, IsPresentUpToTheLastByte) {
  const AreaFillCase& c = GetParam();
  Bytes image = picture;
  if (c.dataSize) PutLE32(image, 34, c.dataSize);
  Bytes sound = {'R', 'I', 'F', 'F'};
  sound.resize(c.soundBytes, 0x5A);
  CarrierSpec carrier;
  carrier.area = sound;
  carrier.soundSize = static_cast<std::uint32_t>(sound.size());
  OpenOverPreviousSound(BuildCarrier(image, carrier));
  EXPECT_EQ(kc::SoundLoaded, c.present ? 1 : 0);
  EXPECT_EQ(kc::Synthesized, c.present ? 1 : 0);
  ASSERT_EQ(FileExists(TempWav()), c.present);
  if (c.present) {
    const Bytes temp = ReadFile(TempWav());
    ASSERT_GE(temp.size(), sound.size());
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), temp.begin()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Carriers, SoundFillingItsArea,
    ::testing::Values(AreaFillCase{"AreaEndingAtEndOfFile", 0, 1515, true},
                      AreaFillCase{"OneByteMoreThanTheFile", 0, 1516, false},
                      AreaFillCase{"ShortDataSizeExactArea", 800, 79, true},
                      AreaFillCase{"ShortDataSizeOneByteMore", 800, 80, false}),
    [](const auto& info) { return std::string(info.param.label); });

// A data-size field larger than the file: the extraction reads only the 1515
// area bytes the file holds. A memo record ending on the last of them is a
// memo; one byte longer runs past what was read.
TEST_F(ExtractionTest, MemoEndingOnTheLastByteReadIsKept) {
  Bytes liar = picture;
  PutLE32(liar, 34, 100000);
  std::string name, memo;
  const auto memoLengthRead = [&](std::size_t textBytes) {
    LoadImage(BuildCarrier(liar, Kind1(MemoRecord(Bytes(textBytes, 'm')))));
    Extract();
    EXPECT_EQ(kc::Synthesized, 1);
    EXPECT_EQ(kc::SoundBytesRead, 1515);
    return kc::GetMemo(name, memo);
  };
  EXPECT_EQ(memoLengthRead(1058), 1058);  // 444 + 13 + 1058 = 1515
  EXPECT_EQ(memo, std::string(1058, 'm'));
  EXPECT_EQ(name, "text.txt");
  EXPECT_EQ(memoLengthRead(1059), 0);
  EXPECT_EQ(memo, "");
}

// Memo records whose lengths point past what the extraction read are no memo.
TEST_F(ExtractionTest, MemoRecordPastTheAreaIsNoMemo) {
  const Bytes name8 = Ansi("text.txt");
  Bytes longSound = {'R', 'I', 'F', 'F'};
  longSound.resize(1500, 0x11);  // leaves 16 bytes of the 1516-byte area
  struct Case { const char* what; Bytes sound; Bytes tail; };
  const Case cases[] = {
      {"huge L", wav, Concat(Be32(0x7FFFFFFF), Concat({8}, name8))},
      {"negative L", wav, Concat(Be32(0xFFFFFFFF), Concat({8}, name8))},
      {"text past the area", longSound, MemoRecord(Bytes(200, 'm'))},
      {"name past the area", longSound, Concat(Be32(1), Concat({255}, Bytes(255, 'n')))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CarrierSpec carrier;
    carrier.area = Concat(c.sound, c.tail);
    carrier.soundSize = static_cast<std::uint32_t>(c.sound.size());
    LoadImage(BuildCarrier(picture, carrier));
    Extract();
    ASSERT_EQ(kc::Synthesized, 1);
    std::string name = "x", text = "x";
    EXPECT_EQ(kc::GetMemo(name, text), 0);
    EXPECT_EQ(name + text, "");
  }
}

TEST_F(ExtractionTest, PlaySoundDataReportsOnlyAMissingService) {
  struct Case { platform::PlayResult result; Strings messages; };
  const Case cases[] = {
      {platform::PlayResult::Started, {}},
      {platform::PlayResult::NotPlayable, {}},
      {platform::PlayResult::ServiceUnavailable, {msg::kCannotPlay}},
  };
  kc::SoundPath = tmp / "temp.wav";
  kc::SoundLoaded = 1;
  for (const auto& c : cases) {
    platform.Clear();
    platform.playResult = c.result;
    kc::PlaySoundData();
    EXPECT_EQ(platform.played, Strings{kc::SoundPath});
    EXPECT_EQ(platform.Texts(), c.messages);
    EXPECT_EQ(kc::SoundLoaded, 1);
  }
}

}  // namespace
}  // namespace korimo::test
