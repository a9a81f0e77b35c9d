// Finding sound in hand-built and damaged carriers, passwords through the
// scripted dialog, the temporary file, and playback.
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <optional>

#include "engine/Playback.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

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
  // A sound taken out of an earlier carrier: temp.wav is this process's own.
  void TakeOutAnEarlierSound() {
    LoadImage(BuildCarrier(MakeBmp(64, 48), Kind1()));
    Extract();
    ASSERT_TRUE(FileExists(TempWav()));
  }

  void OpenOverPreviousSound(const Bytes& carrier) {
    TakeOutAnEarlierSound();
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
struct NoSoundCase {
  std::string label;
  Bytes image;
  std::optional<int> kind;         // the kind read, where the case is about it
  std::optional<kc::Long> area;    // SoundAreaSize afterwards, where the case sets it
};

std::vector<NoSoundCase> NoSoundCases() {
  const Bytes picture = MakeBmp(64, 64);
  const Bytes wav = MakeWav(200);
  std::vector<NoSoundCase> cases;
  auto with = [&](std::string label, auto change, const Bytes& base, std::optional<int> kind = {},
                  std::optional<kc::Long> area = {}) {
    CarrierSpec c;
    c.area = Concat(wav, Be32(0));
    c.soundSize = static_cast<std::uint32_t>(wav.size());
    change(c);
    cases.push_back({std::move(label), BuildCarrier(base, c), kind, area});
  };
  cases.push_back({"PlainPicture", picture, {}, {}});
  with("SizeZero", [](CarrierSpec& c) { c.size = 0; }, picture);
  with("SizeThree", [](CarrierSpec& c) { c.size = 3; }, picture);
  with("SizeAboveImageDataSize", [](CarrierSpec& c) { c.size = 12289; }, picture);
  // A kind of 2 to 15 is no sound even with a good kind-1 record behind it.
  for (std::uint32_t kind = 2; kind <= 15; ++kind) {
    with("Kind" + std::to_string(kind), [](CarrierSpec&) {}, picture, static_cast<int>(kind));
    PutBits(cases.back().image, 54, Be32((kind << 28) | static_cast<std::uint32_t>(wav.size())));
  }
  with("WrongSignature", [](CarrierSpec& c) { c.signature = "KS"; }, picture);
  with("PasswordLength9", [](CarrierSpec& c) { c.password = "abcdefgh"; c.passwordLength = 9; }, picture);
  with("PasswordLength255", [](CarrierSpec& c) { c.password = "abcdefgh"; c.passwordLength = 255; }, picture);
  // The area goes back to the empty image's.
  with("Kind1WithoutRiff", [](CarrierSpec& c) { c.area[3] = 'X'; }, picture, 1, 1525);
  with("Kind0WithoutRiff", [](CarrierSpec& c) { c.kind = 0; c.area[0] = 'r'; }, picture, 0);
  with("Kind0SizeBeyondTheSoundBuffer", [](CarrierSpec& c) { c.kind = 0; c.size = 5000; }, picture, 0);
  with("Kind1SoundBeyondTheFile", [](CarrierSpec& c) { c.size = 1600; }, picture, 1);
  // A data-size field larger than the file gives the sound room it does not have.
  Bytes liar = picture;
  PutLE32(liar, 34, 100000);
  with("Kind1SoundBeyondTheFileWithinItsArea", [](CarrierSpec& c) { c.size = 1600; }, liar, 1);
  const Bytes small = MakeBmp(20, 20);  // data size 1200
  with("NameBeyondTheFile", [](CarrierSpec& c) { c.nameLength = 255; c.size = 100; }, small, 1);
  Bytes stub = MakeBmp(4, 4);  // 102 bytes claiming 12288 bytes of data
  stub[34] = 0x00, stub[35] = 0x30, stub[36] = 0, stub[37] = 0;
  with("HeaderBeyondTheFile", [](CarrierSpec&) {}, stub);
  return cases;
}

class NoSound : public ExtractionTest, public ::testing::WithParamInterface<NoSoundCase> {};

TEST_P(NoSound, NoTempWavAndNoDialog) {
  OpenOverPreviousSound(GetParam().image);
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_EQ(kc::Synthesized, 0);
  EXPECT_FALSE(FileExists(TempWav()));
  if (GetParam().kind) {
    EXPECT_EQ(kc::CarrierKind, *GetParam().kind);
  }
  if (GetParam().area) {
    EXPECT_EQ(kc::SoundAreaSize, *GetParam().area);
  }
  EXPECT_EQ(platform.passwordDialogs, 0);
  EXPECT_TRUE(platform.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Images, NoSound, ::testing::ValuesIn(NoSoundCases()), ByLabel{});

using Entries = std::deque<std::optional<std::string>>;
struct PasswordCase {
  const char* label;
  std::string stored, current;
  Entries entries;  // std::nullopt: the dialog's close box
  int dialogs;
  int synthesized;  // 1 extracted, 2 locked
};

class PasswordDialog : public ExtractionTest, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordDialog, DecidesBetweenExtractedAndLocked) {
  const PasswordCase& c = GetParam();
  CarrierSpec carrier = Kind1();
  carrier.password = c.stored;
  TakeOutAnEarlierSound();
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
  const bool locked = c.synthesized == 2;
  // Locked: no temp.wav and the previous path stays; extracted: the 1516-byte area.
  EXPECT_EQ(FileExists(TempWav()), !locked);
  EXPECT_EQ(kc::SoundPath, locked ? std::string("prev.wav") : TempWav());
  EXPECT_EQ(FileExists(TempWav()) ? ReadFile(TempWav()).size() : 0u, locked ? 0u : 1516u);
}

const PasswordCase kPasswordCases[] = {
    {"EqualToCurrent", "abc", "abc", {}, 0, 1},
    {"UpperCaseRefused", "abc", "", {"ABC"}, 1, 2},
    {"ExtraCharacterRefused", "abc", "", {"abcd"}, 1, 2},
    {"RightEntry", "abc", "", {"abc"}, 1, 1},
    {"RightEntryReplacingAnother", "abc", "xyz", {"abc"}, 1, 1},
    {"DialogClosed", "abc", "", {std::nullopt}, 1, 2},
    {"HalfWidthKanaEqual", "ｱｲｳ", "ｱｲｳ", {}, 0, 1},
    {"EightCharacters", "pass1234", "", {"pass1234"}, 1, 1},
};
INSTANTIATE_TEST_SUITE_P(Entries, PasswordDialog, ::testing::ValuesIn(kPasswordCases), ByLabel{});

// A temporary directory that cannot take temp.wav: missing, a file, or
// removed right after the earlier temp.wav was deleted. Each ends with the
// message and no sound. (A file or link planted in temp.wav's place is never
// followed or removed: the sound then goes to a private folder, see
// TempWavLinkLeftBeforeIsNotFollowed.)
struct TempDirCase {
  const char* label;
  // Prepares the directory below `root` (which holds "victim") and returns TempDir.
  std::function<std::string(const TempDir& root, EnginePlatform& platform)> prepare;
  bool earlierSound = false;  // a temp.wav of this process is there first
};

class UnusableTempDir : public ExtractionTest, public ::testing::WithParamInterface<TempDirCase> {};

TEST_P(UnusableTempDir, ReportsNoSound) {
  const Bytes victim = {'k', 'e', 'e', 'p'};
  Put("victim", victim);
  LoadImage(BuildCarrier(picture, Kind1()));
  kc::TempDir = GetParam().prepare(tmp, platform);
  if (GetParam().earlierSound) Extract();
  Extract();
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSaveTemp});
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_EQ(kc::Synthesized, 0);
  EXPECT_TRUE(platform.played.empty());
  EXPECT_EQ(ReadFile(tmp / "victim"), victim);
  struct stat st {};
  EXPECT_FALSE(::lstat((kc::TempDir + "temp.wav").c_str(), &st) == 0 && S_ISREG(st.st_mode));
}

const TempDirCase kTempDirCases[] = {
    {"Missing", [](const TempDir& t, EnginePlatform&) { return t / "missing/"; }},
    {"IsAFile", [](const TempDir& t, EnginePlatform&) { return t / "victim/"; }},
    {"VanishesAfterTheDeletion",
     [](const TempDir& t, EnginePlatform& p) {
       ::mkdir((t / "vanishing").c_str(), 0700);
       p.afterDelete = [dir = t / "vanishing"](const std::string& path) {
         if (path == dir + "/temp.wav") ::rmdir(dir.c_str());
       };
       return t / "vanishing/";
     },
     true},
};
INSTANTIATE_TEST_SUITE_P(Directories, UnusableTempDir, ::testing::ValuesIn(kTempDirCases), ByLabel{});

// A symbolic link left in temp.wav's place is removed, not followed: the
// new temp.wav is a regular, owner-only file. A dangling link does not
// create its target either.
TEST_F(ExtractionTest, TempWavLinkLeftBeforeIsNotFollowed) {
  const Bytes victim = {'k', 'e', 'e', 'p'};
  Put("victim", victim);
  ASSERT_EQ(::symlink((tmp / "victim").c_str(), TempWav().c_str()), 0);
  LoadImage(BuildCarrier(picture, Kind1()));
  Extract();
  EXPECT_EQ(ReadFile(tmp / "victim"), victim);
  EXPECT_EQ(kc::SoundLoaded, 1);
  struct stat st {};
  ASSERT_EQ(::lstat(TempWav().c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u) << "temp.wav is owner-only";

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

  // A memo that fills the area up to the file's last byte is read whole, also
  // by the extraction that keeps the sound in memory (korimo-cli).
  kc::ResetWorkData();
  LoadImage(liar);
  LoadSound(wav);
  const std::string full(static_cast<std::size_t>(layout::MemoCapacityFor()), 'm');
  PutMemo(full);
  Synthesize();
  SaveAndReopen();
  for (const auto scope : {kc::ExtractionScope::TempFile, kc::ExtractionScope::SoundAndMemo}) {
    LoadImage(ReadFile(tmp / "out.bmp"));
    kc::ExtractSound(scope);
    EXPECT_EQ(kc::GetMemo(name, text), static_cast<kc::Long>(full.size()));
    EXPECT_EQ(text, full);
  }
}

// A sound as long as its whole area is a sound, one byte more is a damaged
// carrier. Picture: the area ends exactly at the end of the file. Short data
// size: a data-size field of 800 gives "a.wav" an area of 79 bytes in a file
// that holds far more.
struct AreaFillCase {
  const char* label;
  std::uint32_t kind;
  std::uint32_t dataSize;  // 0: the picture's own
  std::size_t soundBytes;
  bool present;
};

class SoundFillingItsArea : public ExtractionTest, public ::testing::WithParamInterface<AreaFillCase> {};

TEST_P(SoundFillingItsArea, IsPresentUpToTheLastByte) {
  const AreaFillCase& c = GetParam();
  Bytes image = picture;
  if (c.dataSize) PutLE32(image, 34, c.dataSize);
  Bytes sound = {'R', 'I', 'F', 'F'};
  sound.resize(c.soundBytes, 0x5A);
  CarrierSpec carrier;
  carrier.kind = c.kind;
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
    ::testing::Values(AreaFillCase{"AreaEndingAtEndOfFile", 1, 0, 1515, true},
                      AreaFillCase{"OneByteMoreThanTheFile", 1, 0, 1516, false},
                      AreaFillCase{"ShortDataSizeExactArea", 1, 800, 79, true},
                      AreaFillCase{"ShortDataSizeOneByteMore", 1, 800, 80, false},
                      AreaFillCase{"ShortDataSizeWholeWav", 1, 800, 444, false},
                      // Kind 0 has no area of its own: the sound fills at most
                      // the 1526-byte buffer of the empty image.
                      AreaFillCase{"Kind0FillingTheBuffer", 0, 0, 1526, true},
                      AreaFillCase{"Kind0OneByteMoreThanTheBuffer", 0, 0, 1527, false}),
    ByLabel{});

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
struct BadMemoCase {
  const char* label;
  bool longSound;  // a 1500-byte sound leaving 16 bytes of the 1516-byte area
  Bytes tail;      // behind the sound
};

class MemoPastTheArea : public ExtractionTest, public ::testing::WithParamInterface<BadMemoCase> {};

TEST_P(MemoPastTheArea, IsNoMemo) {
  Bytes sound = wav;
  if (GetParam().longSound) {
    sound = {'R', 'I', 'F', 'F'};
    sound.resize(1500, 0x11);
  }
  CarrierSpec carrier;
  carrier.area = Concat(sound, GetParam().tail);
  carrier.soundSize = static_cast<std::uint32_t>(sound.size());
  LoadImage(BuildCarrier(picture, carrier));
  Extract();
  ASSERT_EQ(kc::Synthesized, 1);
  std::string name = "x", text = "x";
  EXPECT_EQ(kc::GetMemo(name, text), 0);
  EXPECT_EQ(name + text, "");
}

const Bytes kTextTxt = {'t', 'e', 'x', 't', '.', 't', 'x', 't'};
const BadMemoCase kBadMemos[] = {
    {"HugeLength", false, Concat(Be32(0x7FFFFFFF), Concat({8}, kTextTxt))},
    {"NegativeLength", false, Concat(Be32(0xFFFFFFFF), Concat({8}, kTextTxt))},
    {"TextPastTheArea", true, MemoRecord(Bytes(200, 'm'), kTextTxt)},
    {"NamePastTheArea", true, Concat(Be32(1), Concat({255}, Bytes(255, 'n')))},
};
INSTANTIATE_TEST_SUITE_P(Records, MemoPastTheArea, ::testing::ValuesIn(kBadMemos), ByLabel{});

struct PlayCase {
  const char* label;
  platform::PlayResult result;
  Strings messages;
};

class PlaySoundData : public ExtractionTest, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(PlaySoundData, ReportsOnlyAMissingService) {
  kc::SoundPath = tmp / "temp.wav";
  kc::SoundLoaded = 1;
  platform.playResult = GetParam().result;
  kc::PlaySoundData();
  EXPECT_EQ(platform.played, Strings{kc::SoundPath});
  EXPECT_EQ(platform.Texts(), GetParam().messages);
  EXPECT_EQ(kc::SoundLoaded, 1);
}

const PlayCase kPlayCases[] = {
    {"Started", platform::PlayResult::Started, {}},
    {"NotPlayable", platform::PlayResult::NotPlayable, {}},
    {"ServiceUnavailable", platform::PlayResult::ServiceUnavailable, {msg::kCannotPlay}},
};
INSTANTIATE_TEST_SUITE_P(Results, PlaySoundData, ::testing::ValuesIn(kPlayCases), ByLabel{});

}  // namespace
}  // namespace korimo::test
