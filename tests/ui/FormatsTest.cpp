// The window with pictures and sounds in other formats, and the sound kept
// from a carrier through "音声を保存".
#include <QImage>

#include "engine/Messages.h"
#include "tests/support/NamedCases.h"
#include "tests/ui/MainWindowFixture.h"

namespace korimo::test {
namespace {

using namespace Korimocom;

const QString Q(const char* s) { return QString::fromUtf8(s); }

struct PictureCase {
  const char* label;
  const char* file;
  const char* format;  // Qt's writer; "" for ImageMagick's, from a PNG
};

const PictureCase kPictures[] = {
    {"Png", "photo.png", "PNG"},    {"Jpeg", "photo.jpg", "JPEG"}, {"Gif", "photo.gif", ""},
    {"WebP", "photo.webp", "WEBP"}, {"Tiff", "photo.tif", "TIFF"},
};

class PictureFormatTest : public MainWindowTest, public ::testing::WithParamInterface<PictureCase> {};

// Opened as a classic 24-bit BMP that looks as the file does, transparency on
// white; the field shows the file chosen, and a sound can be hidden in it.
TEST_P(PictureFormatTest, OpensAsAClassicBmp) {
  const PictureCase& c = GetParam();
  QImage picture(37, 23, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgba(x * 7, y * 11, 200, x < 3 ? 0 : 255));
  const std::string path = dir / c.file;
  if (*c.format) {
    ASSERT_TRUE(picture.save(QString::fromStdString(path), c.format));
  } else {
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "source.png")));
    ASSERT_EQ(korimo::test::Run("convert '" + dir / "source.png" + "' '" + path + "'"), 0);
  }
  const QImage decoded = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);

  OpenImage(path);
  ASSERT_EQ(ImageLoaded, 1);
  EXPECT_EQ(Text(1).toStdString(), path);
  EXPECT_EQ((std::array<int, 3>{ImageBytes[10], ImageBytes[14], ImageBytes[28]}), (std::array<int, 3>{54, 40, 24}));
  // Rows bottom-up, blue-green-red, each padded to 4 bytes.
  const int row = (picture.width() * 3 + 3) / 4 * 4;
  EXPECT_EQ(ImageDataSize, row * picture.height());
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width() * 3; ++x) {
      const QRgb want = decoded.pixel(x / 3, y);
      const int channel = (want >> (8 * (x % 3))) & 0xFF, alpha = qAlpha(want);
      ASSERT_NEAR(ImageBytes[54 + static_cast<std::size_t>((picture.height() - 1 - y) * row + x)],
                  (channel * alpha + 255 * (255 - alpha)) / 255, 1) << x / 3 << "," << y;
    }
  OpenSound(WriteWav("v.wav", 20));
  driver.Password(QString());
  Press(1);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Synthesized, 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureFormatTest, ::testing::ValuesIn(kPictures), ByLabel{});

// A FLAC that does not fit is made smaller with one message; the carrier
// keeps it, and "音声を保存" writes exactly the WAV hidden, the memo beside it.
TEST_F(MainWindowTest, FittedSoundIsKeptByteForByte) {
  OpenImage(WriteBmp("p.bmp", 200, 150));
  const std::string flac = dir / "voice.flac";
  ASSERT_EQ(korimo::test::Run("sox -n -r 44100 -c 2 '" + flac + "' synth 1 sine 440"), 0);
  driver.Box(Q("モノラル 8 kHz 8 ビットに変換しました（1.0 秒）。"));
  OpenSound(flac);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(2).toStdString(), flac);
  const Bytes hidden = ReadFile(SoundPath);
  Press(3);
  EXPECT_EQ(RecordingPlatform::Get().played, std::vector<std::string>{SoundPath});
  driver.Memo(Q("メモ"));
  Press(4);
  driver.Password(QString());
  Press(1);
  EXPECT_TRUE(driver.WaitDone());
  dialogAnswers.push_back(dir / "carrier.bmp");
  window->menuFileSave_Click();
  window->menuFileClear_Click();
  EXPECT_FALSE(FileExists(Korimocom::TempDir + "converted"));

  OpenImage(dir / "carrier.bmp");
  dialogAnswers.push_back(dir / "kept.wav");
  window->menuSoundSave_Click();
  EXPECT_EQ(ReadFile(dir / "kept.wav"), hidden);
  EXPECT_EQ(ReadFile(dir / "kept.txt"), (Bytes{0xE3, 0x83, 0xA1, 0xE3, 0x83, 0xA2}));
}

}  // namespace
}  // namespace korimo::test
