// The bit codec, the size field, the text fields and the capacity rules.
#include <random>

#include "engine/RuntimeError.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

using kc::WorkArray;

class CodecTest : public EngineTest {};

// ---- One data byte in eight carrier bytes ------------------------------------

struct WorkedExample {
  const char* label;
  std::uint8_t fill;
  WorkArray expected;  // after embedding 0xA5
};

class EmbedByteExample : public ::testing::TestWithParam<WorkedExample> {};

TEST_P(EmbedByteExample, SetsBitZeroMostSignificantFirst) {
  WorkArray work;
  work.fill(GetParam().fill);
  kc::EmbedByte(work, 0xA5);
  EXPECT_EQ(work, GetParam().expected);
  EXPECT_EQ(kc::ExtractByte(work), 0xA5);
}

const WorkedExample kWorkedExamples[] = {
    {"AllOnes", 0xFF, {0xFF, 0xFE, 0xFF, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF}},
    {"AllZeros", 0x00, {0x01, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01}},
};
INSTANTIATE_TEST_SUITE_P(Fills, EmbedByteExample, ::testing::ValuesIn(kWorkedExamples), ByLabel{});

TEST_F(CodecTest, EveryValueRoundTripsAndOnlyBitZeroChanges) {
  std::mt19937 rng(7);
  for (int value = 0; value < 256; ++value) {
    WorkArray before;
    for (auto& b : before) b = static_cast<kc::Byte>(rng());
    WorkArray work = before;
    kc::EmbedByte(work, static_cast<kc::Byte>(value));
    ASSERT_EQ(kc::ExtractByte(work), value);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(work[i] & 0xFE, before[i] & 0xFE) << value;
  }
}

// ---- The bulk codec --------------------------------------------------------------
// EmbedBytes/ExtractBytes work on 64-bit words and, where the CPU has them, on
// 128-bit vectors of 16 data bytes per step with a word-by-word remainder.
// Every combination of start alignment and remainder length must agree with
// the one-byte primitive and stay inside its field.

Bytes RandomBytes(std::size_t n, std::mt19937& rng) {
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

// What EmbedBytes must produce: EmbedByte on copies of each eight-byte group.
Bytes EmbedReference(Bytes image, std::size_t base, const Bytes& data) {
  for (std::size_t k = 0; k < data.size(); ++k) {
    WorkArray w;
    std::copy_n(image.begin() + base + 8 * k, 8, w.begin());
    kc::EmbedByte(w, data[k]);
    std::copy_n(w.begin(), 8, image.begin() + base + 8 * k);
  }
  return image;
}

TEST_F(CodecTest, BulkCodecMatchesPerByteCodecAtEveryAlignmentAndLength) {
  std::mt19937 rng(2024);
  // Lengths around the vector step (16 data bytes) and a few larger
  // ones with every remainder; bases cover all 16 alignments.
  std::vector<std::size_t> counts;
  for (std::size_t n = 0; n <= 40; ++n) counts.push_back(n);
  for (std::size_t n : {63u, 64u, 65u, 127u, 128u, 129u, 505u, 1000u, 1001u}) counts.push_back(n);

  for (std::size_t base = 0; base < 16; ++base) {
    for (std::size_t count : counts) {
      // Fields of 16 to 31 data bytes (and 63, 127, 505) end at the image's
      // last byte, so that a read past the field is a read past the buffer;
      // the others have guard bytes after them that must never change.
      // Every alignment and remainder gets both.
      const std::size_t guard = (count / 16) % 2 ? 0 : 24;
      const Bytes image = RandomBytes(base + 8 * count + guard, rng);
      const Bytes data = RandomBytes(count, rng);

      kc::ImageBytes = image;
      kc::EmbedBytes(base, data.data(), count);
      ASSERT_EQ(kc::ImageBytes, EmbedReference(image, base, data)) << "base " << base << " count " << count;

      // Extraction of the untouched picture reads exactly what ExtractByte
      // (and ExtractByteAt) reads, and writes nothing past `count`.
      kc::ImageBytes = image;
      Bytes out(count + 9, 0xCC);
      kc::ExtractBytes(base, out.data(), count);
      for (std::size_t k = 0; k < count; ++k) {
        WorkArray w;
        std::copy_n(image.begin() + base + 8 * k, 8, w.begin());
        ASSERT_EQ(out[k], kc::ExtractByte(w)) << "base " << base << " count " << count << " k " << k;
        ASSERT_EQ(kc::ExtractByteAt(base + 8 * k), out[k]) << "base " << base << " k " << k;
      }
      for (std::size_t k = count; k < out.size(); ++k) ASSERT_EQ(out[k], 0xCC) << "wrote past the field";
    }
  }
}

// Every data value in every lane of a vector step, on carrier bytes that are
// all ones, all zeros and mixed (the bits 1 to 7 must come through unchanged).
TEST_F(CodecTest, BulkCodecTakesEveryByteValueInEveryLane) {
  Bytes data(256);
  for (int v = 0; v < 256; ++v) data[v] = static_cast<std::uint8_t>(v);
  for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x5A}}) {
    for (std::size_t shift = 0; shift < 16; ++shift) {
      Bytes rotated(256);
      for (std::size_t k = 0; k < 256; ++k) rotated[k] = data[(k + shift) % 256];
      const Bytes image(8 * 256, fill);
      kc::ImageBytes = image;
      kc::EmbedBytes(0, rotated.data(), rotated.size());
      ASSERT_EQ(kc::ImageBytes, EmbedReference(image, 0, rotated)) << "fill " << int(fill) << " shift " << shift;
      Bytes back(256);
      kc::ExtractBytes(0, back.data(), back.size());
      ASSERT_EQ(back, rotated);
    }
  }
}

// A single data byte at the end of the image: the last base whose eight
// carrier bytes lie inside works, one further is refused untouched.
TEST_F(CodecTest, OneByteAtTheEndOfTheImage) {
  kc::ImageBytes.assign(100, 0);
  kc::EmbedByteAt(92, 0xA5);
  EXPECT_EQ(kc::ExtractByteAt(92), 0xA5);
  EXPECT_EQ(GetBits(kc::ImageBytes, 92, 1), Bytes{0xA5});
  const Bytes before = kc::ImageBytes;
  EXPECT_THROW(kc::ExtractByteAt(93), RuntimeError);
  EXPECT_THROW(kc::EmbedByteAt(93, 1), RuntimeError);
  EXPECT_EQ(kc::ImageBytes, before);
}

// ---- The size field -------------------------------------------------------------

TEST_F(CodecTest, SizeFieldWriteAndRead) {
  kc::ImageBytes = MakeBmp(640, 480);
  kc::ImageDataSize = 921600;
  const Bytes picture = kc::ImageBytes;
  kc::WriteSizeField(1234);
  EXPECT_EQ(GetBits(kc::ImageBytes, 54, 4), Be32(0x10000000u | 1234));
  EXPECT_EQ(kc::ImageBytes[57] & 1, 1);
  for (std::size_t i = 0; i < picture.size(); ++i)
    if (i < 54 || i > 85) {
      ASSERT_EQ(kc::ImageBytes[i], picture[i]) << i;
    }
  kc::CarrierKind = 0;
  EXPECT_EQ(kc::ReadSizeField(), 1234);
  EXPECT_EQ(kc::CarrierKind, 1);
}

struct SizeFieldCase {
  std::string label;
  std::uint32_t raw;  // the 32 bits as stored
  kc::Long size;      // what ReadSizeField returns with ImageDataSize 921600
  int kind;
};

class SizeFieldReading : public EngineTest, public ::testing::WithParamInterface<SizeFieldCase> {};

TEST_P(SizeFieldReading, GivesSizeAndKind) {
  kc::ImageBytes = MakeBmp(640, 480);
  kc::ImageDataSize = 921600;
  PutBits(kc::ImageBytes, 54, Be32(GetParam().raw));
  kc::CarrierKind = 99;
  EXPECT_EQ(kc::ReadSizeField(), GetParam().size);
  EXPECT_EQ(kc::CarrierKind, GetParam().kind);
}

std::vector<SizeFieldCase> SizeFieldCases() {
  std::vector<SizeFieldCase> cases = {
      {"OrdinaryPicture", 0x00000000, 0, 0},
      {"KindOneSizeZero", 0x10000000, 0, 1},
      {"TinySizeLeftToTheExtraction", 0x10000003, 3, 1},
      {"ExactlyImageDataSize", 0x100E1000, 921600, 1},
      {"OneAboveImageDataSize", 0x100E1001, 0, 1},
      {"TwentyEightBitMaximum", 0x0FFFFFFF, 0, 0},
      {"KindZero", 0x000004D2, 1234, 0},
  };
  for (std::uint32_t kind = 2; kind <= 15; ++kind)
    cases.push_back({"Kind" + std::to_string(kind), (kind << 28) | 500, 500, static_cast<int>(kind)});
  return cases;
}
INSTANTIATE_TEST_SUITE_P(Fields, SizeFieldReading, ::testing::ValuesIn(SizeFieldCases()), ByLabel{});

// An image too short for the field never fails.
TEST_F(CodecTest, SizeFieldOfImagesTooShortForIt) {
  for (std::size_t length : {0, 20, 60, 85}) {
    kc::ImageBytes.assign(length, 0xFF);
    kc::ImageDataSize = 1 << 27;
    kc::Long size = -1;
    EXPECT_NO_THROW(size = kc::ReadSizeField()) << length;
    EXPECT_GE(size, 0);
    EXPECT_LE(size, kc::ImageDataSize);
  }
}

// ---- Text fields --------------------------------------------------------------

struct TitleCase {
  const char* label;
  const char* path;
  const char* title;
};

class FileTitle : public ::testing::TestWithParam<TitleCase> {};

TEST_P(FileTitle, IsThePartAfterTheLastSeparator) { EXPECT_EQ(kc::FileTitleOf(GetParam().path), GetParam().title); }

const TitleCase kTitles[] = {
    {"WindowsPath", "C:\\sound\\a.wav", "a.wav"},
    {"BareName", "a.wav", "a.wav"},
    {"WindowsDirectory", "C:\\dir\\", ""},
    {"Empty", "", ""},
    {"PosixPath", "/tmp/x/b.wav", "b.wav"},
    {"BackslashLast", "dir/sub\\c.wav", "c.wav"},
    {"SlashLast", "dir\\sub/d.wav", "d.wav"},
    {"JapaneseNames", "/音声/こんにちは.wav", "こんにちは.wav"},
};
INSTANTIATE_TEST_SUITE_P(Paths, FileTitle, ::testing::ValuesIn(kTitles), ByLabel{});

struct LengthCase {
  const char* label;
  const char* text;
  int bytes;
};

class AnsiLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(AnsiLength, CountsShiftJisBytes) { EXPECT_EQ(kc::AnsiByteLength(GetParam().text), GetParam().bytes); }

const LengthCase kLengths[] = {
    {"Empty", "", 0},
    {"Ascii", "abc", 3},
    {"Hiragana", "あいう", 6},
    {"JapaneseFileName", "こんにちは.wav", 14},
    {"HalfWidthKana", "ｼｽﾃﾑ", 4},
    {"BothWaveDashes", "～〜", 4},
    {"IbmExtensionAndCircledDigit", "髙①", 4},
    {"UnmappedIsOneQuestionMark", "é", 1},
};
INSTANTIATE_TEST_SUITE_P(Texts, AnsiLength, ::testing::ValuesIn(kLengths), ByLabel{});

TEST_F(CodecTest, AnsiByteLengthOverflowsAbove32767) {
  EXPECT_EQ(kc::AnsiByteLength(std::string(32767, 'a')), 32767);
  EXPECT_THROW(kc::AnsiByteLength(std::string(32768, 'a')), RuntimeError);
}

// StringToBytes: the CP932 bytes and their count, or -1 with the array
// untouched when the text reaches the limit (256).
struct ToBytesCase {
  const char* label;
  std::string text;
  kc::Long count;
};

class StringToBytesLimit : public ::testing::TestWithParam<ToBytesCase> {};

TEST_P(StringToBytesLimit, CountsOrRefuses) {
  const ToBytesCase& c = GetParam();
  std::vector<kc::Byte> array(257, 0xEE);
  kc::Long count = 99;
  kc::StringToBytes(c.text, array, 256, count);
  EXPECT_EQ(count, c.count);
  std::vector<kc::Byte> expected(257, 0xEE);
  if (c.count >= 0) {
    const Bytes ansi = Ansi(c.text);
    std::copy(ansi.begin(), ansi.end(), expected.begin());  // the rest is left as it was
  }
  EXPECT_EQ(array, expected);
}

const ToBytesCase kToBytes[] = {
    {"TwoFiftySixBytesRefused", std::string(256, 'x'), -1},
    {"TwoFiftyFiveBytes", std::string(255, 'x'), 255},
    {"EndingInAFullWidthCharacter", std::string(253, 'x') + "あ", 255},
    {"FullWidthCharacterReachingTheLimit", std::string(254, 'x') + "あ", -1},
    {"Signature", "KR", 2},
    {"Empty", "", 0},
};
INSTANTIATE_TEST_SUITE_P(Texts, StringToBytesLimit, ::testing::ValuesIn(kToBytes), ByLabel{});

TEST_F(CodecTest, StringToBytesIntoTooSmallArray) {
  std::vector<kc::Byte> small(2, 0);
  kc::Long count = 0;
  EXPECT_THROW(kc::StringToBytes("abc", small, 256, count), RuntimeError);
}

TEST_F(CodecTest, BytesToString) {
  const std::vector<kc::Byte> hello = {0x82, 0xB1, 0x82, 0xF1, 0x41};
  EXPECT_EQ(kc::BytesToString(hello, 5), "こんA");
  EXPECT_EQ(kc::BytesToString(hello, 2), "こ");
  EXPECT_EQ(kc::BytesToString(hello, 0), "");
  EXPECT_THROW(kc::BytesToString(hello, 6), RuntimeError);
  // Invalid CP932: stray trail bytes, unassigned leads, a lead byte at the end.
  const std::vector<kc::Byte> bad = {0x80, 0xA0, 0xFD, 0xFE, 0xFF, 0x82, 0x20, 0x81};
  std::string text;
  EXPECT_NO_THROW(text = kc::BytesToString(bad, static_cast<kc::Long>(bad.size())));
  EXPECT_FALSE(text.empty());
  EXPECT_NO_THROW(kc::BytesToString(bad.data(), bad.size()));
  // A lead byte cut off at the end of a stored name.
  EXPECT_EQ(kc::BytesToString(std::vector<kc::Byte>{0x41, 0x82}, 2), "A?");
}

// ---- Capacity rules ---------------------------------------------------------------

struct RoundingCase {
  const char* label;
  double x;
  kc::Long nearest;
};

class NearestInteger : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(NearestInteger, RoundsHalvesToEven) { EXPECT_EQ(layout::Nearest(GetParam().x), GetParam().nearest); }

const RoundingCase kRoundings[] = {
    {"OneAndAHalfUp", 1.5, 2},      {"TwoAndAHalfDown", 2.5, 2}, {"MinusHalfToZero", -0.5, 0},
    {"HalfToZero", 0.5, 0},         {"MinusOneAndAHalf", -1.5, -2}, {"BelowHalf", 3.49, 3},
    {"NegativeWhole", -11.0, -11}, {"LargeWhole", 115175.0, 115175},
};
INSTANTIATE_TEST_SUITE_P(Values, NearestInteger, ::testing::ValuesIn(kRoundings), ByLabel{});

TEST_F(CodecTest, NearestOverflowsOutside32Bits) { EXPECT_THROW(layout::Nearest(3e9), RuntimeError); }

// The empty sound area after an image load: nearest(D / 8 - 11).
struct EmptyAreaCase {
  const char* label;
  kc::Long dataSize;
  kc::Long area;
};

class EmptySoundArea : public ::testing::TestWithParam<EmptyAreaCase> {};

TEST_P(EmptySoundArea, OfDataSize) { EXPECT_EQ(layout::EmptySoundAreaSize(GetParam().dataSize), GetParam().area); }

const EmptyAreaCase kEmptyAreas[] = {
    {"OneAndAHalfUp", 100, 2},   {"TwoAndAHalfDown", 108, 2}, {"MinusHalfToZero", 84, 0},
    {"ExactlyZero", 88, 0},      {"NoData", 0, -11},         {"Picture640x480", 921600, 115189},
};
INSTANTIATE_TEST_SUITE_P(DataSizes, EmptySoundArea, ::testing::ValuesIn(kEmptyAreas), ByLabel{});

TEST_F(CodecTest, CapacityFigures) {
  EXPECT_EQ(layout::SoundAreaSizeFor(921600, 9), 115175);
  EXPECT_EQ(layout::SoundAreaSizeFor(22500, 5), 2792);  // 2791.5 goes to the even neighbour
  EXPECT_EQ(layout::SoundAreaStart(9), 254u);
  EXPECT_EQ(layout::SoundAreaStart(5), 222u);
  EXPECT_EQ(layout::SoundAreaStart(255), 2222u);
}

// 640 x 480: the last 7 bytes of the area lie beyond the embedding limit.
TEST_F(CodecTest, EmbeddedAreaOf640x480) {
  kc::ImageBytes = MakeBmp(640, 480);
  kc::ImageDataSize = 921600;
  EXPECT_EQ(layout::EmbeddedAreaBytes(115175, 9), 115168);
}

// Data size 800 and "a.wav": S = 222, area 79, embedded part E = 72, so the
// sound and the memo length field fit while SoundSize + 4 <= 72.
TEST_F(CodecTest, FitCheckOfSmallImage) {
  kc::ImageBytes = MakeBmp(10, 20, 32);
  kc::ImageDataSize = 800;
  ASSERT_EQ(kc::ImageBytes.size(), 854u);
  EXPECT_EQ(layout::EmbeddedAreaBytes(79, 5), 72);
  EXPECT_TRUE(layout::SoundFits(68, 5));
  EXPECT_FALSE(layout::SoundFits(69, 5));
  EXPECT_FALSE(layout::SoundFits(90, 5));  // admitted by the old, looser check
  EXPECT_FALSE(layout::SoundFits(12, 256));

  // A data-size field larger than the file: the file bounds the embedding.
  kc::ImageDataSize = 100000;
  EXPECT_EQ(layout::EmbeddedAreaBytes(12479, 5), 79);
}

// The memo allowance in the same image: 72 - SoundSize - 13, below 1 meaning
// no room, the name taken from SoundPath whichever separator it uses.
struct AllowanceCase {
  const char* label;
  kc::Long soundSize;
  const char* soundPath;
  kc::Long capacity;
};

class MemoAllowance : public EngineTest, public ::testing::WithParamInterface<AllowanceCase> {};

TEST_P(MemoAllowance, OfSmallImage) {
  kc::ImageBytes = MakeBmp(10, 20, 32);
  kc::ImageDataSize = 800;
  kc::SoundSize = GetParam().soundSize;
  kc::SoundPath = GetParam().soundPath;
  kc::SoundAreaSize = 79;
  EXPECT_EQ(layout::MemoCapacityFor(), GetParam().capacity);
}

const AllowanceCase kAllowances[] = {
    {"RoomForEleven", 48, "/x/a.wav", 11},
    {"NoRoom", 59, "/x/a.wav", 0},
    {"NoRoomWindowsPath", 59, "C:\\x\\b.wav", 0},
    {"RoomForThirtyNine", 20, "/x/a.wav", 39},
};
INSTANTIATE_TEST_SUITE_P(Sounds, MemoAllowance, ::testing::ValuesIn(kAllowances), ByLabel{});

TEST_F(CodecTest, MemoAllowanceOfLargeImageIsCapped) {
  kc::ImageBytes = MakeBmp(640, 480);
  kc::ImageDataSize = 921600;
  kc::SoundPath = "/x/a.wav";
  kc::SoundAreaSize = 115179;  // 921600 / 8 - 5 - 16
  kc::SoundSize = 1000;
  EXPECT_EQ(layout::MemoCapacityFor(), 32767);
}

}  // namespace
}  // namespace korimo::test
