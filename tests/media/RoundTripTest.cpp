// Whole round trips through real files: BMPs written by ImageMagick, WAVs by
// sox and espeak-ng; embed, save, reopen in a fresh session, extract.
#include "tests/support/EngineFixture.h"

namespace korimo::test {
namespace {

struct RoundTrip {
  const char* name;
  const char* imageCommand;  // writes OUT
  const char* soundTool;
  const char* soundCommand;  // writes OUT
  const char* soundFile;
  const char* password;
  const char* memo;
};

std::string WithOut(std::string command, const std::string& out) {
  return command.replace(command.find("OUT"), 3, "'" + out + "'") + " >/dev/null 2>&1";
}

const char kImage24[] = "convert -size 101x61 gradient:red-blue -type TrueColor BMP3:OUT";
const char kImage32[] = "convert -size 101x61 gradient:red-blue -alpha on -define bmp3:alpha=true BMP3:OUT";
// 32 bits with the long information header: pixels start at 138, the carrier
// still at 54.
const char kImage32V5[] = "convert -size 101x61 gradient:red-blue -alpha on BMP:OUT";
const char kImageLarge[] = "convert -size 331x251 gradient:green-yellow -type TrueColor BMP3:OUT";

const RoundTrip kRoundTrips[] = {
    {"Pcm16In24Bit", kImage24, "sox", "sox -n -r 8000 -b 16 -c 1 OUT synth 0.05 sine 440", "s16.wav", "", ""},
    {"Pcm8In32BitWithPasswordAndMemo", kImage32, "sox", "sox -n -r 8000 -b 8 -e unsigned -c 1 OUT synth 0.05 sine 440",
     "s8.wav", "abc", "メモ\r\nテスト"},
    {"ImaAdpcmWithMemo", kImage24, "sox", "sox -n -r 8000 -e ima-adpcm -c 1 OUT synth 0.05 sine 440", "ima.wav", "",
     "hello"},
    {"MuLawWithKanaPassword", kImage32, "sox", "sox -n -r 8000 -e mu-law -c 1 OUT synth 0.05 sine 440", "mu.wav",
     "ｶﾅ12", ""},
    {"StereoJapaneseNameInV5Header", kImage32V5, "sox", "sox -n -r 11025 -b 16 -c 2 OUT synth 0.03 sine 300",
     "音声.wav", "", "①～"},
    {"SpeechWithPasswordAndMemo", kImageLarge, "espeak-ng", "espeak-ng -w OUT ko", "speech.wav", "pass1234",
     "一行目\r\n二行目"},
};

class RoundTripTest : public EngineTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTripTest, EmbedSaveReopenExtract) {
  const RoundTrip& c = GetParam();
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick convert missing";
  if (!HaveTool(c.soundTool)) GTEST_SKIP() << c.soundTool << " missing";
  const std::string imagePath = tmp / "source.bmp", soundPath = tmp / c.soundFile;
  ASSERT_EQ(korimo::test::Run(WithOut(c.imageCommand, imagePath)), 0);
  ASSERT_EQ(korimo::test::Run(WithOut(c.soundCommand, soundPath)), 0);
  const Bytes source = ReadFile(imagePath), sound = ReadFile(soundPath);

  // Sender.
  LoadImage(imagePath);
  ASSERT_EQ(kc::ImageLoaded, 1);
  Extract();
  ASSERT_EQ(kc::Synthesized, 0);
  LoadSound(soundPath);
  ASSERT_EQ(kc::SoundLoaded, 1);
  ASSERT_EQ(kc::SoundSize, static_cast<kc::Long>(sound.size()));
  if (*c.memo) {
    PutMemo(c.memo);
    ASSERT_EQ(kc::OperationFailed, 0);
  }
  Synthesize(c.password);
  ASSERT_EQ(kc::OperationFailed, 0);
  kc::SaveImageData(tmp / "carrier.bmp");
  ASSERT_EQ(kc::ImageSaved, 1);

  const Bytes carrier = ReadFile(tmp / "carrier.bmp");
  ASSERT_EQ(carrier.size(), source.size());
  std::size_t changed = 0;
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (i < 54) {
      ASSERT_EQ(carrier[i], source[i]) << i;
    }
    ASSERT_EQ(carrier[i] & 0xFE, source[i] & 0xFE) << i;
    changed += carrier[i] != source[i];
  }
  EXPECT_GT(changed, 0u);

  // Receiver: a fresh session that knows no password.
  kc::ResetWorkData();
  if (*c.password) platform.passwords = {std::string(c.password)};
  LoadImage(tmp / "carrier.bmp");
  Extract();
  EXPECT_EQ(platform.passwordDialogs, *c.password ? 1 : 0);
  ASSERT_EQ(kc::SoundLoaded, 1);
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(kc::SoundSize, static_cast<kc::Long>(sound.size()));
  const Bytes temp = ReadFile(TempWav());
  ASSERT_GE(temp.size(), sound.size());
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), temp.begin()));
  std::string name, text;
  const kc::Long length = kc::GetMemo(name, text);
  EXPECT_EQ(text, c.memo);
  EXPECT_EQ(length > 0, *c.memo != 0);
  if (length > 0) {
    EXPECT_EQ(name, "text.txt");
  }
  EXPECT_TRUE(platform.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, RoundTripTest, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korimo::test
