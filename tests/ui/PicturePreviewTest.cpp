// The window's sampled picture against Qt's own decode of the same file, the
// files it must leave to Qt's reader, and hostile headers.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/TestFiles.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/main/PicturePreview.h"

namespace korimo::test {
namespace {

using ui::PicturePreview;

void Put(Bytes& b, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Shape {
  int width = 0;
  int height = 0;  // negative: rows stored top-down
  int bits = 24;
  std::uint32_t headerSize = 40;
  bool bitFields = false;  // 32-bit with the plain 8-8-8 masks
  std::uint32_t gap = 0;   // unused bytes between the headers and the pixels
};

// A BMP whose pixel (x, y), counted from the top left, has the colour
// `colour(x, y)`; the fourth byte of 32-bit pixels and the row padding hold
// junk that must not show.
Bytes MakePicture(const Shape& s, const std::function<QRgb(int, int)>& colour) {
  const int rows = s.height < 0 ? -s.height : s.height;
  const std::uint32_t bytesPerPixel = s.bits / 8;
  const std::uint32_t stride = (s.width * bytesPerPixel + 3) & ~3u;
  const std::uint32_t masks = s.bitFields && s.headerSize == 40 ? 12 : 0;
  const std::uint32_t offset = 14 + s.headerSize + masks + s.gap;
  Bytes b(offset + stride * rows, 0xA5);
  b[0] = 'B';
  b[1] = 'M';
  Put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
  Put(b, 6, 0, 4);
  Put(b, 10, offset, 4);
  std::fill(b.begin() + 14, b.begin() + 14 + s.headerSize + masks, 0);
  Put(b, 14, s.headerSize, 4);
  Put(b, 18, static_cast<std::uint32_t>(s.width), 4);
  Put(b, 22, static_cast<std::uint32_t>(s.height), 4);
  Put(b, 26, 1, 2);
  Put(b, 28, s.bits, 2);
  Put(b, 30, s.bitFields ? 3 : 0, 4);
  Put(b, 34, stride * rows, 4);
  if (s.bitFields) {
    Put(b, 54, 0x00FF0000, 4);
    Put(b, 58, 0x0000FF00, 4);
    Put(b, 62, 0x000000FF, 4);
  }
  for (int y = 0; y < rows; ++y) {
    const int stored = s.height > 0 ? rows - 1 - y : y;
    for (int x = 0; x < s.width; ++x) {
      const QRgb c = colour(x, y);
      const std::size_t at = offset + static_cast<std::size_t>(stored) * stride + x * bytesPerPixel;
      b[at] = static_cast<std::uint8_t>(qBlue(c));
      b[at + 1] = static_cast<std::uint8_t>(qGreen(c));
      b[at + 2] = static_cast<std::uint8_t>(qRed(c));
      if (bytesPerPixel == 4) b[at + 3] = static_cast<std::uint8_t>(x * 11 + y);
    }
  }
  return b;
}

QImage QtDecode(const Bytes& b) {
  return QImage::fromData(b.data(), static_cast<int>(b.size()), "BMP").convertToFormat(QImage::Format_RGB32);
}

std::string Describe(const Shape& s) {
  return std::to_string(s.width) + "x" + std::to_string(s.height) + " " + std::to_string(s.bits) + "-bit header " +
         std::to_string(s.headerSize) + (s.bitFields ? " bit fields" : "") + " gap " + std::to_string(s.gap);
}

// Every pixel differs from its neighbours in all three channels.
QRgb Pattern(int x, int y) { return qRgb((x * 29 + y * 3) & 0xFF, (y * 41 + x) & 0xFF, (x * y * 7 + 100) & 0xFF); }

TEST(PicturePreviewTest, PicturesWithinTheSizeMatchQtsDecodePixelForPixel) {
  const Shape shapes[] = {
      {33, 17, 24},  {33, -17, 24}, {1, 1, 24},     {2, 9, 24},           {7, -5, 32},
      {33, 17, 32},  {5, 3, 24, 108}, {6, -4, 32, 124}, {9, 4, 32, 40, true}, {9, -4, 32, 108, true},
      {10, 6, 24, 40, false, 37},
  };
  for (const Shape& s : shapes) {
    const Bytes file = MakePicture(s, Pattern);
    const QImage qt = QtDecode(file);
    const QImage preview = PicturePreview(file, QSize(664, 498));
    ASSERT_FALSE(qt.isNull()) << Describe(s);
    ASSERT_FALSE(preview.isNull()) << Describe(s);
    EXPECT_EQ(preview.format(), QImage::Format_RGB32);
    ASSERT_EQ(preview.size(), qt.size()) << Describe(s);
    int mismatches = 0;
    for (int y = 0; y < qt.height(); ++y)
      for (int x = 0; x < qt.width(); ++x)
        if (preview.pixel(x, y) != qt.pixel(x, y) && ++mismatches <= 3)
          ADD_FAILURE() << Describe(s) << " pixel " << x << "," << y << ": " << std::hex << preview.pixel(x, y)
                        << " against " << qt.pixel(x, y);
  }
}

// A picture of solid blocks, sampled down to one pixel per block: whatever
// the sampling, each pixel must have its block's colour as Qt decodes it.
TEST(PicturePreviewTest, LargePicturesAreSampledDownToTheRequestedSize) {
  const int blocksX = 41;
  const int blocksY = 23;
  for (const int bits : {24, 32}) {
    for (const int direction : {1, -1}) {
      for (const int block : {3, 4}) {
        const Shape s{blocksX * block, direction * blocksY * block, bits};
        const auto colour = [block](int x, int y) { return Pattern(x / block, y / block); };
        const Bytes file = MakePicture(s, colour);
        const QImage qt = QtDecode(file);
        const QImage preview = PicturePreview(file, QSize(blocksX, blocksY));
        ASSERT_EQ(preview.size(), QSize(blocksX, blocksY)) << Describe(s);
        int mismatches = 0;
        for (int y = 0; y < blocksY; ++y)
          for (int x = 0; x < blocksX; ++x) {
            const QRgb expected = qt.pixel(x * block + block / 2, y * block + block / 2);
            if (preview.pixel(x, y) != expected && ++mismatches <= 3)
              ADD_FAILURE() << Describe(s) << " block " << x << "," << y;
          }
      }
    }
  }
  // A ratio that is no whole number still fills exactly the requested size.
  const Bytes file = MakePicture({1000, -700, 24}, Pattern);
  EXPECT_EQ(PicturePreview(file, QSize(664, 498)).size(), QSize(664, 498));
  EXPECT_EQ(PicturePreview(file, QSize(664, 800)).size(), QSize(664, 700));
}

TEST(PicturePreviewTest, ImageMagicksPictureMatchesQtsDecode) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
  TempDir dir;
  const std::string path = dir / "gradient.bmp";
  ASSERT_EQ(test::Run("convert -size 33x17 gradient:red-blue BMP3:" + path), 0);
  const Bytes file = ReadFile(path);
  ASSERT_EQ(file[28], 24);
  const QImage qt = QtDecode(file);
  const QImage preview = PicturePreview(file, QSize(664, 498));
  ASSERT_EQ(preview.size(), QSize(33, 17));
  for (const QPoint p : {QPoint(0, 0), QPoint(32, 0), QPoint(0, 16), QPoint(32, 16), QPoint(16, 8), QPoint(5, 11)})
    EXPECT_EQ(preview.pixel(p), qt.pixel(p)) << p.x() << "," << p.y();
}

TEST(PicturePreviewTest, OtherVariantsAndHostileHeadersGiveNoPicture) {
  const Bytes good = MakePicture({33, 17, 24}, Pattern);
  ASSERT_FALSE(PicturePreview(good, QSize(10, 10)).isNull());
  const auto with = [&good](const std::function<void(Bytes&)>& change) {
    Bytes b = good;
    change(b);
    return b;
  };
  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
      {"empty", {}},
      {"headers cut short", Bytes(good.begin(), good.begin() + 40)},
      {"last row one byte short", Bytes(good.begin(), good.end() - 1)},
      {"not BM", with([](Bytes& b) { b[1] = 'A'; })},
      {"unknown header size", with([](Bytes& b) { Put(b, 14, 200, 4); })},
      {"header larger than the file", with([](Bytes& b) { Put(b, 14, 124, 4); b.resize(100); })},
      {"zero width", with([](Bytes& b) { Put(b, 18, 0, 4); })},
      {"negative width", with([](Bytes& b) { Put(b, 18, static_cast<std::uint32_t>(-33), 4); })},
      {"zero height", with([](Bytes& b) { Put(b, 22, 0, 4); })},
      {"height INT_MIN", with([](Bytes& b) { Put(b, 22, 0x80000000u, 4); })},
      {"width x height overflows", with([](Bytes& b) { Put(b, 18, INT_MAX, 4); Put(b, 22, INT_MAX, 4); })},
      {"top-down overflow", with([](Bytes& b) { Put(b, 18, 0x40000000, 4); Put(b, 22, 0xC0000000u, 4); })},
      {"one row too many", with([](Bytes& b) { Put(b, 22, 18, 4); })},
      {"row wider than the file", with([](Bytes& b) { Put(b, 18, 100000, 4); Put(b, 22, 1, 4); })},
      {"huge offset", with([](Bytes& b) { Put(b, 10, 0xFFFFFFF0u, 4); })},
      {"offset past the end", with([](Bytes& b) { Put(b, 10, static_cast<std::uint32_t>(b.size() + 1), 4); })},
      {"offset inside the headers", with([](Bytes& b) { Put(b, 10, 20, 4); })},
      {"two planes", with([](Bytes& b) { Put(b, 26, 2, 2); })},
      {"16-bit", with([](Bytes& b) { Put(b, 28, 16, 2); })},
      {"8-bit", with([](Bytes& b) { Put(b, 28, 8, 2); })},
      {"run-length compression", with([](Bytes& b) { Put(b, 30, 1, 4); })},
      {"24-bit bit fields", with([](Bytes& b) { Put(b, 30, 3, 4); })},
      {"unknown compression", with([](Bytes& b) { Put(b, 30, 0xFFFFFFFFu, 4); })},
  };
  for (const Case& c : cases) EXPECT_TRUE(PicturePreview(c.file, QSize(664, 498)).isNull()) << c.what;

  // Bit fields: only the plain masks, and no alpha mask Qt would honour.
  Bytes fields = MakePicture({9, 4, 32, 108, true}, Pattern);
  ASSERT_FALSE(PicturePreview(fields, QSize(664, 498)).isNull());
  Put(fields, 54, 0x0000FF00, 4);
  Put(fields, 58, 0x00FF0000, 4);
  EXPECT_TRUE(PicturePreview(fields, QSize(664, 498)).isNull()) << "swapped masks";
  fields = MakePicture({9, 4, 32, 108, true}, Pattern);
  Put(fields, 66, 0xFF000000u, 4);
  EXPECT_TRUE(PicturePreview(fields, QSize(664, 498)).isNull()) << "alpha mask";
  fields = MakePicture({9, 4, 32, 40, true}, Pattern);
  fields.resize(60);
  EXPECT_TRUE(PicturePreview(fields, QSize(664, 498)).isNull()) << "masks cut off";

  EXPECT_TRUE(PicturePreview(good, QSize(0, 10)).isNull()) << "no room";
  EXPECT_TRUE(PicturePreview(good, QSize(10, -1)).isNull()) << "negative room";
}

// The window samples a plain picture at twice its picture area and leaves
// other variants to Qt's reader, which shows them at their own size.
TEST_F(MainWindowTest, PictureAreaShowsTheSampledPreviewOrQtsDecode) {
  QLabel* area = Child<QLabel>("Image2");
  WriteFile(dir / "large.bmp", MakePicture({1500, 1000, 24}, Pattern));
  OpenImage(dir / "large.bmp");
  EXPECT_EQ(area->pixmap().size(), area->size() * 2);

  // Bit fields with the red and green masks swapped: left to Qt's reader.
  Bytes swapped = MakePicture({40, 30, 32, 40, true}, [](int, int) { return qRgb(200, 10, 0); });
  Put(swapped, 54, 0x0000FF00, 4);
  Put(swapped, 58, 0x00FF0000, 4);
  WriteFile(dir / "swapped.bmp", swapped);
  OpenImage(dir / "swapped.bmp");
  EXPECT_EQ(Text(1).toStdString(), dir / "swapped.bmp");
  ASSERT_EQ(area->pixmap().size(), QSize(40, 30));
  EXPECT_EQ(area->pixmap().toImage().pixel(5, 5), qRgb(10, 200, 0));
}

}  // namespace
}  // namespace korimo::test
