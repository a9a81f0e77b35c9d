// Pictures whose pixels do not start at offset 54, or whose colours are not
// plain blue-green-red bytes: synthesis rewrites them into the classic layout
// first, so the carrier shows the same picture and still carries the sound.
#include <algorithm>
#include <bit>
#include <functional>

#include "media/BmpClassic.h"
#include "media/SynthesisImage.h"
#include "tests/support/EngineFixture.h"

namespace korimo::test {
namespace {

constexpr int kWidth = 29;  // odd: 24-bit rows are padded
constexpr int kHeight = 21;

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b.at(at)} | std::uint32_t{b.at(at + 1)} << 8 | std::uint32_t{b.at(at + 2)} << 16 |
         std::uint32_t{b.at(at + 3)} << 24;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

// How a hand-built picture stores its pixels.
struct Shape {
  std::uint32_t headerSize = 40;
  std::uint32_t compression = 3;  // bit fields
  std::uint32_t red = 0x00FF0000u, green = 0x0000FF00u, blue = 0x000000FFu, alpha = 0;
  int bitCount = 32;
  bool topDown = false;
  std::size_t gap = 0;  // unused bytes between the headers and the pixels
  int width = kWidth;
  int height = kHeight;
};

// The colour of pixel (x, y), counted from the top left, as 8-bit R, G, B, A.
std::array<std::uint8_t, 4> ColourAt(int x, int y) {
  return {static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(60 + x * 5 + y * 29),
          static_cast<std::uint8_t>(255 - x * 13 - y * 7), static_cast<std::uint8_t>(40 + x * 9 + y * 17)};
}

// A channel value at a mask's precision, and back at 8 bits as a reader shows it.
std::uint32_t Quantised(std::uint8_t c, std::uint32_t mask) {
  const std::uint32_t max = mask >> std::countr_zero(mask);
  return (c * max + 127) / 255;
}
std::uint8_t Shown(std::uint32_t q, std::uint32_t mask) {
  const std::uint32_t max = mask >> std::countr_zero(mask);
  return static_cast<std::uint8_t>((q * 255 + max / 2) / max);
}

// The picture as bytes, and the RGBA pixels (top row first) it shows.
struct Picture {
  Bytes file;
  Bytes shows;
};

Picture Build(const Shape& s) {
  const std::size_t bpp = static_cast<std::size_t>(s.bitCount / 8);
  const std::size_t stride = (s.width * bpp + 3) & ~std::size_t{3};
  const bool masksAfterHeader = s.headerSize == 40 && s.compression != 0;
  const std::size_t masksBytes = masksAfterHeader ? (s.compression == 6 ? 16 : 12) : 0;
  const std::size_t pixelsAt = 14 + s.headerSize + masksBytes + s.gap;
  Picture p;
  p.file.assign(pixelsAt + stride * s.height, 0);
  Bytes& b = p.file;
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, static_cast<std::uint32_t>(pixelsAt));
  Put32(b, 14, s.headerSize);
  Put32(b, 18, s.width);
  Put32(b, 22, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
  b[26] = 1;
  b[28] = static_cast<std::uint8_t>(s.bitCount);
  Put32(b, 30, s.compression);
  Put32(b, 34, static_cast<std::uint32_t>(stride * s.height));
  Put32(b, 38, 2835);
  Put32(b, 42, 2835);
  if (s.compression != 0) {
    Put32(b, 54, s.red);
    Put32(b, 58, s.green);
    Put32(b, 62, s.blue);
    if (s.headerSize >= 56 || s.compression == 6) Put32(b, 66, s.alpha);
  }
  if (s.headerSize >= 108) b.at(70) = 'B', b.at(71) = 'G', b.at(72) = 'R', b.at(73) = 's';  // sRGB
  for (std::size_t i = pixelsAt - s.gap; i < pixelsAt; ++i) b[i] = 0xEE;

  for (int y = 0; y < s.height; ++y) {
    const int stored = s.topDown ? y : s.height - 1 - y;
    for (int x = 0; x < s.width; ++x) {
      const auto c = ColourAt(x, y);
      std::uint32_t v = 0;
      std::array<std::uint8_t, 4> shows{};
      const std::uint32_t masks[4] = {s.red, s.green, s.blue, s.alpha};
      for (int k = 0; k < 4; ++k) {
        if (masks[k] == 0) {
          shows[k] = 255;
          continue;
        }
        const std::uint32_t q = Quantised(c[k], masks[k]);
        v |= q << std::countr_zero(masks[k]);
        shows[k] = Shown(q, masks[k]);
      }
      for (std::size_t i = 0; i < bpp; ++i) b[pixelsAt + stored * stride + x * bpp + i] = static_cast<std::uint8_t>(v >> (8 * i));
      p.shows.insert(p.shows.end(), shows.begin(), shows.end());
    }
  }
  return p;
}

// What ImageMagick shows of a BMP file: 8-bit RGBA, top row first.
Bytes Decoded(const TempDir& tmp, const std::string& bmp) {
  const std::string out = tmp / "decoded.rgba";
  if (Run("convert '" + bmp + "' -depth 8 rgba:'" + out + "' 2>/dev/null") != 0) return {};
  return ReadFile(out);
}

bool WithinOne(const Bytes& a, const Bytes& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](std::uint8_t x, std::uint8_t y) { return std::abs(x - y) <= 1; });
}

struct Case {
  const char* label;
  std::function<Picture(const TempDir&)> make;  // `shows` empty: ImageMagick's view of the file
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

Picture Written(const TempDir& tmp, const std::string& options) {
  const std::string png = tmp / "source.png";
  const std::string bmp = tmp / "source.bmp";
  Run("convert -size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
      " gradient:'#c03010'-'#20a0f0' -fx 'u*(0.6+0.4*sin(i))' '" + png + "'");
  Run("convert '" + png + "' " + options + " '" + bmp + "'");
  return {ReadFile(bmp), {}};
}

const Case kCases[] = {
    {"ImageMagick24BitsVersion5Header", [](const TempDir& t) { return Written(t, "-type TrueColor"); }},
    {"ImageMagick32BitsWithAlphaVersion5Header",
     [](const TempDir& t) { return Written(t, "-alpha set -channel A -fx '0.3+0.7*i/w' +channel"); }},
    {"ImageMagick32BitsWithAlphaVersion4Header",
     [](const TempDir& t) { return Written(t, "-alpha set -channel A -fx '0.5+0.4*j/h' +channel -define bmp:format=bmp4"); }},
    {"BitFieldsAfter40ByteHeader", [](const TempDir&) { return Build({}); }},
    {"AlphaBitFieldsAfter40ByteHeader",
     [](const TempDir&) { return Build({.compression = 6, .alpha = 0xFF000000u}); }},
    {"Header52Bytes", [](const TempDir&) { return Build({.headerSize = 52}); }},
    {"Header64BytesUncompressed",
     [](const TempDir&) { return Build({.headerSize = 64, .compression = 0, .bitCount = 24}); }},
    {"Header56BytesWithAlpha", [](const TempDir&) { return Build({.headerSize = 56, .alpha = 0xFF000000u}); }},
    {"Masks11_11_10",
     [](const TempDir&) { return Build({.red = 0xFFE00000u, .green = 0x001FFC00u, .blue = 0x000003FFu}); }},
    {"Masks10_10_10_2",
     [](const TempDir&) {
       return Build({.headerSize = 124, .red = 0x3FF00000u, .green = 0x000FFC00u, .blue = 0x000003FFu,
                     .alpha = 0xC0000000u});
     }},
    {"MasksXBGR",
     [](const TempDir&) { return Build({.headerSize = 108, .red = 0x000000FFu, .green = 0x0000FF00u, .blue = 0x00FF0000u}); }},
    {"TopDownRows", [](const TempDir&) { return Build({.headerSize = 124, .topDown = true}); }},
    {"TopDownMasks565In32Bits",
     [](const TempDir&) { return Build({.red = 0xF800u, .green = 0x07E0u, .blue = 0x001Fu, .topDown = true}); }},
    {"Uncompressed24BitsAfterAGap",
     [](const TempDir&) { return Build({.compression = 0, .bitCount = 24, .gap = 16}); }},
};

class ClassicLayoutTest : public EngineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ClassicLayoutTest, CarrierShowsThePictureAndCarriesTheSound) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  Picture source = GetParam().make(tmp);
  ASSERT_GE(source.file.size(), 138u);
  const std::string sourcePath = Put("picture.bmp", source.file);
  if (source.shows.empty()) source.shows = Decoded(tmp, sourcePath);
  ASSERT_EQ(source.shows.size(), std::size_t{kWidth * kHeight * 4});

  LoadImage(sourcePath);
  ASSERT_EQ(kc::ImageLoaded, 1);
  const kc::Long dataSize = kc::ImageDataSize;
  const Bytes wav = MakeWav(20, 8);
  LoadSound(wav);
  ASSERT_EQ(kc::SoundLoaded, 1);
  const kc::Long area = kc::SoundAreaSize;
  PutMemo("m");
  ASSERT_EQ(kc::OperationFailed, 0);

  ASSERT_TRUE(kc::PrepareImageForSynthesis());
  Synthesize();
  ASSERT_EQ(kc::OperationFailed, 0);
  EXPECT_TRUE(platform.messages.empty());
  // The classic layout, with every figure the capacity comes from kept.
  EXPECT_EQ(U32(kc::ImageBytes, 10), 54u);
  EXPECT_EQ(U32(kc::ImageBytes, 14), 40u);
  EXPECT_EQ(U32(kc::ImageBytes, 30), 0u);
  EXPECT_EQ(U32(kc::ImageBytes, 2), kc::ImageBytes.size());
  EXPECT_EQ(kc::ImageFileSize, static_cast<kc::Long>(kc::ImageBytes.size()));
  EXPECT_EQ(kc::ImageDataSize, dataSize);
  EXPECT_EQ(kc::SoundAreaSize, area);

  const std::string carrier = tmp / "carrier.bmp";
  kc::SaveImageData(carrier);
  ASSERT_EQ(kc::ImageSaved, 1);
  EXPECT_TRUE(WithinOne(Decoded(tmp, carrier), source.shows)) << "the carrier shows another picture";

  kc::ResetWorkData();
  Open(ReadFile(carrier), "reopened.bmp");
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), wav);
  EXPECT_GT(kc::GetMemo(kc::MemoFileName, kc::MemoText), 0);
  EXPECT_EQ(kc::MemoText, "m");
}

INSTANTIATE_TEST_SUITE_P(Pictures, ClassicLayoutTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

class PrepareImageTest : public EngineTest {};

// The rewritten picture is shorter; when the data-size field counts the old
// header too, the sound that fitted the old bytes no longer fits the new ones.
// The refusal leaves the working set exactly as it was.
TEST_F(PrepareImageTest, SoundThatNoLongerFitsIsRefused) {
  Picture p = Build({.headerSize = 124, .compression = 0, .bitCount = 24, .width = 64, .height = 48});
  Put32(p.file, 34, static_cast<std::uint32_t>(p.file.size()));
  LoadImage(p.file);
  int nameBytes = 5;  // "a.wav"
  const kc::Long room = layout::EmbeddedAreaBytes(layout::SoundAreaSizeFor(kc::ImageDataSize, nameBytes), nameBytes);
  ASSERT_GT(room, 100);
  LoadSound(MakeWav(room - 4 - 44, 8));
  ASSERT_EQ(kc::SoundLoaded, 1);
  const Bytes before = kc::ImageBytes;
  const kc::Long fileSize = kc::ImageFileSize;

  kc::OperationFailed = 0;
  EXPECT_FALSE(kc::PrepareImageForSynthesis());
  EXPECT_EQ(platform.Texts(), Strings{msg::kSoundDoesNotFit});
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::ImageBytes, before);
  EXPECT_EQ(kc::ImageFileSize, fileSize);
}

// An uncompressed picture's pixel bytes are kept as they are, the fourth byte
// of a 32-bit pixel included, and so is each header field the rewrite copies.
TEST_F(PrepareImageTest, UncompressedPixelsAndResolutionsAreKept) {
  Picture p = Build({.headerSize = 124, .compression = 0, .alpha = 0xFF000000u});
  Put32(p.file, 38, 1000);
  Put32(p.file, 42, 2000);
  const std::size_t pixelsAt = U32(p.file, 10);
  const Bytes pixels(p.file.begin() + static_cast<std::ptrdiff_t>(pixelsAt), p.file.end());
  LoadImage(p.file);
  LoadSound(MakeWav(20, 8));
  ASSERT_TRUE(kc::PrepareImageForSynthesis());
  EXPECT_EQ(Bytes(kc::ImageBytes.begin() + 54, kc::ImageBytes.end()), pixels);
  EXPECT_EQ(U32(kc::ImageBytes, 38), 1000u);
  EXPECT_EQ(U32(kc::ImageBytes, 42), 2000u);
}

// Classic pictures are used as they are. Embedding into a picture the
// rewrite cannot take would write over its header fields or compressed
// pixels: synthesis refuses it and nothing changes.
TEST_F(PrepareImageTest, UsesClassicPicturesAsTheyAreAndRefusesWhatCannotBeRewritten) {
  auto patched = [](Bytes b, std::size_t at, std::uint32_t v) {
    Put32(b, at, v);
    return b;
  };
  const Bytes masked = Build({}).file;
  const Bytes v5 = Build({.headerSize = 124, .compression = 0}).file;
  const std::pair<const char*, Bytes> cases[] = {
      {"classic 24 bits", MakeBmp(kWidth, kHeight)},
      {"classic, top-down", patched(MakeBmp(kWidth, kHeight), 22, static_cast<std::uint32_t>(-kHeight))},
      {"12-byte header", patched(masked, 14, 12)},
      {"100-byte header", patched(masked, 14, 100)},
      {"run-length compression", patched(masked, 30, 1)},
      {"JPEG compression", patched(v5, 30, 4)},
      {"bit fields in a 64-byte header", patched(masked, 14, 64)},
      {"48 bits", patched(masked, 28, 48 | 1u << 16)},
      {"pixels past the end", Bytes(masked.begin(), masked.end() - 1)},
      {"pixel offset past the end", patched(masked, 10, static_cast<std::uint32_t>(masked.size() + 1))},
      {"pixel offset inside the masks", patched(masked, 10, 60)},
      {"mask with a hole", patched(masked, 54, 0x00F0F000u)},
      {"no height", patched(masked, 22, 0)},
      {"height -2^31", patched(v5, 22, 0x80000000u)},
      {"negative width", patched(v5, 18, static_cast<std::uint32_t>(-kWidth))},
  };
  for (const auto& [what, file] : cases) {
    SCOPED_TRACE(what);
    const bool classic = std::string(what).starts_with("classic");
    LoadImage(file);
    LoadSound(MakeWav(20, 8));
    ASSERT_EQ(kc::SoundLoaded, 1);
    const Bytes before = kc::ImageBytes;
    platform.messages.clear();
    kc::OperationFailed = 0;
    EXPECT_EQ(kc::PrepareImageForSynthesis(), classic);
    EXPECT_EQ(kc::OperationFailed, classic ? 0 : 1);
    EXPECT_EQ(platform.Texts(), classic ? Strings{} : Strings{msg::kCannotRead});
    EXPECT_EQ(kc::ImageBytes, before);
  }
}

// A synthesis the engine refuses anyway (a password of more than 8 bytes)
// finds the picture untouched.
TEST_F(PrepareImageTest, SynthesisRefusedLaterKeepsThePicture) {
  LoadImage(Build({.headerSize = 124}).file);
  LoadSound(MakeWav(20, 8));
  const Bytes before = kc::ImageBytes;
  kc::Password = "パスワード";  // 10 bytes
  EXPECT_TRUE(kc::PrepareImageForSynthesis());
  Synthesize("パスワード");
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::ImageBytes, before);
}

// A carrier written earlier straight into such a picture is read as it is.
TEST_F(PrepareImageTest, EarlierCarrierInAVersion5PictureStillReads) {
  const Bytes wav = MakeWav(20, 8);
  CarrierSpec carrier;
  carrier.area = Concat(wav, Bytes(4, 0));
  carrier.soundSize = static_cast<std::uint32_t>(wav.size());
  Open(BuildCarrier(Build({.headerSize = 124}).file, carrier));
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), wav);
}

}  // namespace
}  // namespace korimo::test
