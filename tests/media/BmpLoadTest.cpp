// Reading BMP files into the working set: accepted, rejected and malformed files.
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

Bytes Patched(Bytes b, std::size_t at, std::initializer_list<std::uint8_t> le) {
  for (auto v : le) b.at(at++) = v;
  return b;
}

Bytes WithDataSize(Bytes b, std::uint32_t size) {
  return Patched(std::move(b), 34, {std::uint8_t(size), std::uint8_t(size >> 8), std::uint8_t(size >> 16), std::uint8_t(size >> 24)});
}

const Bytes kGood = MakeBmp(8, 8);  // data size 192, area 13

class BmpLoadTest : public EngineTest {
 protected:
  const Bytes good = kGood;
  const Bytes bmp24 = MakeBmp(40, 30);
};

struct AcceptedCase {
  const char* label;
  Bytes file;
  kc::Long fileSize;
  kc::Integer bits;
  kc::Long dataSize;
  kc::Long area;
};

class AcceptedBmp : public BmpLoadTest, public ::testing::WithParamInterface<AcceptedCase> {};

TEST_P(AcceptedBmp, FillsTheWorkingSet) {
  const AcceptedCase& c = GetParam();
  kc::SoundLoaded = 1;
  kc::SoundSize = 77;
  kc::Password = "pw";
  kc::CarrierKind = 0;
  LoadImage(c.file);
  EXPECT_EQ(kc::ImageLoaded, 1);
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::ImageBytes, c.file);
  EXPECT_EQ(kc::ImageFileSize, c.fileSize);
  EXPECT_EQ(kc::ImageBitCount, c.bits);
  EXPECT_EQ(kc::ImageDataSize, c.dataSize);
  EXPECT_EQ(kc::SoundAreaSize, c.area);
  EXPECT_EQ(kc::SoundBytes, Bytes(c.area + 1, 0));
  EXPECT_EQ(kc::CarrierKind, 1);
  // The extraction that follows decides about the sound, not the load.
  EXPECT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundSize, 77);
  EXPECT_EQ(kc::Password, "pw");
  EXPECT_TRUE(platform.messages.empty());
}

const AcceptedCase kAccepted[] = {
    {"Bits24", kGood, 246, 24, 192, 13},
    {"Bits32", MakeBmp(8, 8, 32), 310, 32, 256, 21},
    {"Bits24Compressed", Patched(kGood, 30, {1}), 246, 24, 192, 13},
    {"Bits48", Patched(kGood, 28, {48}), 246, 48, 192, 13},
    {"FileSizeField54", Patched(kGood, 2, {0x36, 0, 0, 0}), 54, 24, 192, 13},
    {"FileSizeFieldLargest", Patched(kGood, 2, {0xFF, 0xFF, 0xFF, 0x7F}), 0x7FFFFFFF, 24, 192, 13},
    // The data-size field, not the file, sizes the sound area: nearest(D / 8 - 11).
    {"AreaOneAndAHalfRoundsUp", WithDataSize(kGood, 100), 246, 24, 100, 2},
    {"AreaTwoAndAHalfRoundsDown", WithDataSize(kGood, 108), 246, 24, 108, 2},
    {"AreaMinusHalfRoundsToZero", WithDataSize(kGood, 84), 246, 24, 84, 0},
    {"AreaZero", WithDataSize(kGood, 88), 246, 24, 88, 0},
};
INSTANTIATE_TEST_SUITE_P(Files, AcceptedBmp, ::testing::ValuesIn(kAccepted), ByLabel{});

// A negative area (data size below 84, often 0) cannot size the sound buffer:
// the image still counts as loaded, the buffer keeps what it held.
struct NegativeAreaCase {
  const char* label;
  std::uint32_t dataSize;
  kc::Long area;
};

class NegativeSoundArea : public BmpLoadTest, public ::testing::WithParamInterface<NegativeAreaCase> {};

TEST_P(NegativeSoundArea, KeepsImageLoaded) {
  kc::SoundBytes = {1, 2, 3};
  LoadImage(WithDataSize(good, GetParam().dataSize));
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
  EXPECT_EQ(kc::ImageLoaded, 1);
  EXPECT_EQ(kc::ImageDataSize, static_cast<kc::Long>(GetParam().dataSize));
  EXPECT_EQ(kc::SoundAreaSize, GetParam().area);
  EXPECT_EQ(kc::SoundBytes, (Bytes{1, 2, 3}));
  Extract();
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_EQ(kc::Synthesized, 0);
}

const NegativeAreaCase kNegativeAreas[] = {{"DataSizeZero", 0, -11}, {"DataSize83", 83, -1}};
INSTANTIATE_TEST_SUITE_P(DataSizes, NegativeSoundArea, ::testing::ValuesIn(kNegativeAreas), ByLabel{});

// The window keeps the previous picture's memory for the next one of about
// the same size: nothing of the previous picture (or of a synthesis into it)
// may show through, whether the next one is smaller, equal or much smaller.
TEST_F(BmpLoadTest, EachPictureReplacesEveryByteOfThePreviousOne) {
  const Bytes large = MakeBmp(1000, 800);  // 2.4 MB: mapped memory
  const Bytes smaller = MakeBmp(700, 800);
  LoadImage(large);
  LoadSound(MakeWav(40000));
  Synthesize();
  ASSERT_EQ(kc::OperationFailed, 0);
  ASSERT_NE(kc::ImageBytes, large);
  for (const Bytes* next : {&smaller, &large, &kGood}) {
    LoadImage(*next);
    EXPECT_EQ(kc::ImageBytes, *next);
    EXPECT_EQ(kc::ImageFileSize, static_cast<kc::Long>(next->size()));
    EXPECT_EQ(kc::SoundBytes, Bytes(kc::SoundAreaSize + 1, 0));
  }
}

struct RejectedCase {
  const char* label;
  Bytes file;
  Strings messages;
};

class RejectedBmp : public BmpLoadTest, public ::testing::WithParamInterface<RejectedCase> {};

TEST_P(RejectedBmp, KeepsThePreviousImage) {
  LoadImage(bmp24);
  const kc::Long area = kc::SoundAreaSize;
  platform.Clear();
  kc::CarrierKind = 0;
  LoadImage(GetParam().file);
  EXPECT_EQ(platform.Texts(), GetParam().messages);
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::ImageLoaded, 1);
  EXPECT_EQ(kc::ImageBytes, bmp24);
  EXPECT_EQ(kc::ImageDataSize, 3600);
  EXPECT_EQ(kc::ImageBitCount, 24);
  EXPECT_EQ(kc::SoundAreaSize, area);
  EXPECT_EQ(kc::CarrierKind, 1);
  // The first image is still usable.
  platform.Clear();
  LoadSound(MakeWav(50));
  Synthesize();
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_TRUE(platform.messages.empty());
}

const RejectedCase kRejected[] = {
    {"EmptyFile", {}, {msg::kCannotRead}},
    {"SignatureOnly", {'B', 'M'}, {msg::kCannotRead}},
    {"Bytes28", Bytes(kGood.begin(), kGood.begin() + 28), {msg::kCannotRead}},
    {"Bits8", Patched(kGood, 28, {8}), {msg::kCannotRead}},
    {"Bits16", Patched(kGood, 28, {16}), {msg::kCannotRead}},
    {"Bits23", Patched(kGood, 28, {23}), {msg::kCannotRead}},
    {"SignatureBA", Patched(kGood, 1, {'A'}), {msg::kCannotRead}},
    {"SignatureLowerCase", Patched(kGood, 0, {'b', 'm'}), {msg::kCannotRead}},
    {"BitCount32792", Patched(kGood, 28, {0x18, 0x80}), {msg::kCannotLoad, msg::kCannotRead}},
    {"BitCount65535", Patched(kGood, 28, {0xFF, 0xFF}), {msg::kCannotLoad, msg::kCannotRead}},
    {"DataSize2To31With8Bits", Patched(WithDataSize(kGood, 0x80000000u), 28, {8}),
     {msg::kCannotLoad, msg::kCannotRead}},
};
INSTANTIATE_TEST_SUITE_P(Files, RejectedBmp, ::testing::ValuesIn(kRejected), ByLabel{});

// A named file for the tables below.
struct FileCase {
  const char* label;
  Bytes file;
};

// A header field of 2^31 or more: one message, nothing stored, not refused.
class OverflowingSizeField : public BmpLoadTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(OverflowingSizeField, StoresNothing) {
  LoadImage(bmp24);
  platform.Clear();
  LoadImage(GetParam().file);
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::ImageBytes, bmp24);
  EXPECT_EQ(kc::ImageDataSize, 3600);
  EXPECT_EQ(kc::ImageFileSize, static_cast<kc::Long>(bmp24.size()));
}

const FileCase kOverflows[] = {
    {"FileSize2To31", Patched(kGood, 5, {0x80})},
    {"FileSize2To32Minus1", Patched(kGood, 2, {0xFF, 0xFF, 0xFF, 0xFF})},
    {"DataSize2To31", WithDataSize(kGood, 0x80000000u)},
    {"DataSize2To32Minus1", WithDataSize(kGood, 0xFFFFFFFFu)},
};
INSTANTIATE_TEST_SUITE_P(Fields, OverflowingSizeField, ::testing::ValuesIn(kOverflows), ByLabel{});

// Files too short for the carrier fields still load and never crash the
// extraction or the sound load that may follow.
class TinyBmp : public BmpLoadTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(TinyBmp, IsSafeToUse) {
  LoadImage(GetParam().file);
  ASSERT_EQ(kc::ImageLoaded, 1);
  EXPECT_EQ(kc::ImageBytes, GetParam().file);
  Extract();
  EXPECT_EQ(kc::SoundLoaded, 0);
  LoadSound(MakeWav(10));
  EXPECT_EQ(kc::SoundLoaded, 0);
  EXPECT_FALSE(platform.messages.empty());
}

Bytes Bm29() {
  Bytes b(29, 0);
  b[0] = 'B', b[1] = 'M', b[28] = 24;
  return b;
}
const FileCase kTiny[] = {
    {"Bytes29", Bm29()},
    {"Bytes60ClaimingLargeData", WithDataSize(Bytes(kGood.begin(), kGood.begin() + 60), 12288)},
};
INSTANTIATE_TEST_SUITE_P(Files, TinyBmp, ::testing::ValuesIn(kTiny), ByLabel{});

}  // namespace
}  // namespace korimo::test
