// What is typed is what is stored: the lossy conversion of labels, and the
// password and memo that must come back exactly or be refused.
#include <optional>
#include <ostream>
#include <string>

#include "tests/support/EngineFixture.h"

namespace korimo::test {
namespace {

struct ConversionCase {
  const char* name;
  std::string utf8;
  std::string ansi;
};
void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

// Labels (sound file names): a character CP932 lacks becomes one "?", a
// malformed sequence one "?" per maximal bad part, and nothing valid is lost.
class LossyConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(LossyConversion, KeepsEveryValidCharacter) { EXPECT_EQ(cp932::FromUtf8(GetParam().utf8), GetParam().ansi); }

INSTANTIATE_TEST_SUITE_P(
    Cases, LossyConversion,
    ::testing::Values(
        ConversionCase{"Japanese", "音声.wav", "\x89\xB9\x90\xBA.wav"},
        ConversionCase{"AccentedLetter", "café", "caf?"},
        ConversionCase{"EmojiAndEuro", "a😀b€", "a?b?"},
        ConversionCase{"LeadByteBeforeAscii", "A\xC3" "BCDEF", "A?BCDEF"},
        ConversionCase{"TruncatedBeforeKana", "\xE3\x81" "あ", "?\x82\xA0"},
        ConversionCase{"OverlongNul", "\xC0\x80x", "??x"},
        ConversionCase{"Surrogate", "\xED\xA0\x80x", "???x"},
        // A name cut short in the middle of its last character: one "?", and
        // nothing read past the end.
        ConversionCase{"TwoByteCharacterCutAtEnd", "name\xC3", "name?"},
        ConversionCase{"ThreeByteCharacterCutAfterOneByte", "name\xE3", "name?"},
        ConversionCase{"ThreeByteCharacterCutAfterTwoBytes", "name\xE3\x81", "name?"},
        ConversionCase{"FourByteCharacterCutAtEnd", "name\xF0\x9F\x98", "name?"},
        ConversionCase{"KanaThenCutCharacter", "あ\xE3\x81", "\x82\xA0?"},
        // The highest two-byte lead (U+07FF, which CP932 lacks) is one character.
        ConversionCase{"HighestTwoByteCharacter", "a\xDF\xBF" "b", "a?b"},
        // A four-byte character is one "?", wherever it stands.
        ConversionCase{"EmojiAtEnd", "a.wav\xF0\x9F\x8E\xB5", "a.wav?"},
        ConversionCase{"TwoEmojiBeforeExtension", "\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB6.wav", "??.wav"},
        // Tag characters (U+E0061, U+E007F), which the system's converter
        // would drop without a trace, are characters CP932 lacks like any other.
        ConversionCase{"TagCharacters", "a\xF3\xA0\x81\xA1" "b\xF3\xA0\x81\xBF", "a?b?"},
        ConversionCase{"TagCharacterAlone", "\xF3\xA0\x81\xAF", "?"}),
    [](const auto& info) { return std::string(info.param.name); });

// A name handed over as part of a longer text: a character cut by the end of
// the view is one "?", and the bytes behind the view are never read.
TEST(LossyConversionOfAView, StopsAtTheEndOfTheView) {
  const std::string whole = "name\xE3\x81\x82.wav";  // "name", "あ", ".wav"
  EXPECT_EQ(cp932::FromUtf8(std::string_view(whole).substr(0, 5)), "name?");
  EXPECT_EQ(cp932::FromUtf8(std::string_view(whole).substr(0, 6)), "name?");
  EXPECT_EQ(cp932::FromUtf8(std::string_view(whole).substr(0, 7)), "name\x82\xA0");
}

// Passwords and memos: the exact conversion fails rather than lose a character.
struct ExactCase {
  const char* name;
  std::string utf8;
  std::optional<std::string> ansi;
};
void PrintTo(const ExactCase& c, std::ostream* os) { *os << c.name; }

class ExactConversion : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactConversion, SucceedsOnlyWithoutLoss) { EXPECT_EQ(cp932::FromUtf8Exact(GetParam().utf8), GetParam().ansi); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ExactConversion,
    ::testing::Values(ExactCase{"Empty", "", ""},
                      ExactCase{"Ascii", "abc 123\r\n", "abc 123\r\n"},
                      ExactCase{"BothWaveDashes", "～〜", "\x81\x60\x81\x60"},
                      ExactCase{"IbmExtension", "髙", "\xFB\xFC"},
                      ExactCase{"AccentedLetter", "café", std::nullopt},
                      ExactCase{"Emoji", "a😀", std::nullopt},
                      ExactCase{"InvalidByte", "A\xC3" "BCDEF", std::nullopt},
                      ExactCase{"Surrogate", "\xED\xA0\x80", std::nullopt},
                      ExactCase{"TagCharacter", "pw\xF3\xA0\x81\xAF", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// Passwords: the stored bytes are compared with the entry's CP932 bytes, so
// any spelling CP932 stores alike unlocks, and an entry CP932 cannot hold
// never matches a "?" in the header.
struct UnlockCase {
  const char* name;
  std::string storedBytes;  // CP932, as the header holds them
  std::string entry;        // UTF-8, as typed
  bool unlocks;
};
void PrintTo(const UnlockCase& c, std::ostream* os) { *os << c.name; }

class PasswordBytes : public EngineTest, public ::testing::WithParamInterface<UnlockCase> {};

TEST_P(PasswordBytes, DecideTheUnlock) {
  const UnlockCase& c = GetParam();
  Bytes image = MakeBmp(64, 64);
  const Bytes wav = MakeWav(200);
  CarrierSpec carrier;
  carrier.area = Concat(wav, Be32(0));
  carrier.soundSize = static_cast<std::uint32_t>(wav.size());
  image = BuildCarrier(image, carrier);
  // The password field written byte for byte, whatever those bytes spell.
  Bytes field(c.storedBytes.begin(), c.storedBytes.end());
  PutBits(image, 102, {static_cast<std::uint8_t>(field.size())});
  field.resize(8, 0);
  PutBits(image, 110, field);
  kc::Password = c.entry;  // known before opening: the dialog shows only on a mismatch
  Open(image);
  EXPECT_EQ(platform.passwordDialogs, c.unlocks ? 0 : 1);
  EXPECT_EQ(kc::Synthesized, c.unlocks ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordBytes,
    ::testing::Values(UnlockCase{"SameText", "abc", "abc", true},
                      UnlockCase{"FullWidthTilde", "a\x81\x60", "a～", true},
                      UnlockCase{"WaveDash", "a\x81\x60", "a〜", true},
                      UnlockCase{"QuestionMarkTyped", "caf?", "caf?", true},
                      UnlockCase{"LetterStoredAsQuestionMark", "caf?", "café", false},
                      UnlockCase{"InvalidUtf8Entry", "caf?", "caf\xC3", false}),
    [](const auto& info) { return std::string(info.param.name); });

// Memos that CP932 cannot hold exactly are refused with their own message and
// change nothing; the rest are stored as their CP932 bytes.
struct MemoCase {
  const char* name;
  std::string memo;
  bool stored;
};
void PrintTo(const MemoCase& c, std::ostream* os) { *os << c.name; }

class MemoCharacters : public EngineTest, public ::testing::WithParamInterface<MemoCase> {};

TEST_P(MemoCharacters, AreStoredExactlyOrRefused) {
  const MemoCase& c = GetParam();
  LoadImage(MakeBmp(64, 64));
  LoadSound(MakeWav(200));
  ASSERT_EQ(kc::SoundLoaded, 1);
  kc::MemoText = "before";
  const Bytes area = kc::SoundBytes;
  PutMemo(c.memo);
  if (c.stored) {
    EXPECT_EQ(kc::OperationFailed, 0);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(kc::MemoText, c.memo);
    const auto text = cp932::FromUtf8(c.memo);
    EXPECT_EQ(Bytes(kc::SoundBytes.begin() + kc::SoundSize, kc::SoundBytes.begin() + kc::SoundSize + 13 +
                                                                 static_cast<long>(text.size())),
              MemoRecord(Bytes(text.begin(), text.end())));
  } else {
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(platform.Texts(), Strings{msg::kMemoHasInvalidChars});
    EXPECT_EQ(kc::MemoText, "before");
    EXPECT_EQ(kc::SoundBytes, area);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoCharacters,
    ::testing::Values(MemoCase{"Japanese", "メモ ～ ① 髙", true},
                      MemoCase{"EmojiAndEuro", "a😀b€", false},
                      MemoCase{"AccentedLetter", "café", false},
                      MemoCase{"NotUtf8", "A\xC3" "BCDEF", false},
                      MemoCase{"TooLongAndNotUtf8", std::string(5000, 'x') + "\xFF", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korimo::test
