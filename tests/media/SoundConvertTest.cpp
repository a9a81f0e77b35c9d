// Sounds in other formats through the open-sound command: converted to a
// 16-bit WAV, made smaller in steps when they do not fit, and hidden as that
// WAV; WAV files the sound service plays stay as they are.
#include <sndfile.h>

#include <cmath>

#include "commands/Commands.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

struct ConvertCase {
  const char* label;
  const char* file;
  int format;  // libsndfile's
  int channels, rate;
  double seconds;
  int width, height;  // the 24-bit picture
  media::SoundFitting fitting;
  int outChannels, outRate, outBits;  // 0: refused as too large
  const char* announced;                // the fit message, "" for none
};

constexpr auto kConverted = media::SoundFitting::Converted;
constexpr auto kAny = media::SoundFitting::Any;
constexpr int kOgg = SF_FORMAT_OGG;

const ConvertCase kCases[] = {
    {"FlacKeepsItsForm", "v.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 22050, 1, 600, 400, kConverted, 1, 22050, 16,
     ""},
    {"VorbisStereoToMono", "v.ogg", kOgg | SF_FORMAT_VORBIS, 2, 44100, 1, 640, 480, kConverted, 1, 44100, 16,
     "モノラル 44.1 kHz 16 ビットに変換しました（1.0 秒）。"},
    {"OpusTo16kHz", "v.opus", kOgg | SF_FORMAT_OPUS, 1, 48000, 1, 360, 300, kConverted, 1, 16000, 16,
     "モノラル 16 kHz 16 ビットに変換しました（1.0 秒）。"},
    {"Mp3StereoTo8Bit", "v.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, 44100, 3, 320, 240, kConverted, 1,
     8000, 8, "モノラル 8 kHz 8 ビットに変換しました（3.0 秒）。"},
    {"GsmWavConverted", "g.wav", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, 8000, 1, 600, 400, kConverted, 1, 8000, 16, ""},
    {"FlacTooLongForAnyForm", "v.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 8000, 5, 320, 240, kConverted, 0, 0, 0,
     ""},
    {"PcmWavFittedOnRequest", "s.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 1, 400, 300, kAny, 1, 22050, 16,
     "モノラル 22.05 kHz 16 ビットに変換しました（1.0 秒）。"},
};

// A 440 Hz tone written by libsndfile in the row's format.
std::string WriteTone(const std::string& path, const ConvertCase& c) {
  SF_INFO info{};
  info.samplerate = c.rate;
  info.channels = c.channels;
  info.format = c.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return sf_strerror(nullptr);
  const auto frames = static_cast<std::size_t>(c.seconds * c.rate);
  std::vector<float> data(frames * static_cast<std::size_t>(c.channels));
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 440.0 * static_cast<double>(i / c.channels) / c.rate));
  sf_writef_float(file, data.data(), static_cast<sf_count_t>(frames));
  sf_close(file);
  return "";
}

// The WAV's form, and its rising zero crossings per second (440 for the tone).
struct Heard {
  SF_INFO info{};
  double hertz = 0;
};
Heard Listen(const std::string& path) {
  Heard h;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &h.info);
  if (!file) return h;
  std::vector<float> data(static_cast<std::size_t>(h.info.frames * h.info.channels));
  sf_readf_float(file, data.data(), h.info.frames);
  sf_close(file);
  int rising = 0;
  for (std::size_t i = h.info.channels; i < data.size(); i += h.info.channels)
    rising += data[i - h.info.channels] < 0 && data[i] >= 0;
  h.hertz = rising * static_cast<double>(h.info.samplerate) / static_cast<double>(h.info.frames);
  return h;
}

class SoundConvertTest : public EngineTest, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(SoundConvertTest, HiddenAsTheAnnouncedWav) {
  const ConvertCase& c = GetParam();
  const std::string source = tmp / c.file;
  ASSERT_EQ(WriteTone(source, c), "");
  LoadImage(MakeBmp(c.width, c.height));
  ASSERT_EQ(kc::ImageLoaded, 1);

  std::optional<media::SoundForm> fitted;
  const auto outcome = commands::OpenSound(source, c.fitting, &fitted);
  if (c.outRate == 0) {
    EXPECT_EQ(outcome, commands::SoundOutcome::Refused);
    EXPECT_EQ(platform.Texts(), Strings{msg::kSoundDoesNotFit});
    return;
  }
  ASSERT_EQ(outcome, commands::SoundOutcome::Opened) << testing::PrintToString(platform.Texts());
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(fitted ? media::FittedMessage(*fitted) : "", c.announced);

  // SoundPath is the converted WAV, named after the source, and exactly the
  // bytes loaded.
  EXPECT_EQ(kc::FileTitleOf(kc::SoundPath), media::WavNameFor(c.file));
  const Bytes wav = ReadFile(kc::SoundPath);
  ASSERT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
  const Heard heard = Listen(kc::SoundPath);
  EXPECT_EQ(heard.info.channels, c.outChannels);
  EXPECT_EQ(heard.info.samplerate, c.outRate);
  EXPECT_EQ(heard.info.format, SF_FORMAT_WAV | (c.outBits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16));
  EXPECT_NEAR(static_cast<double>(heard.info.frames) / c.outRate, c.seconds, 0.1);
  EXPECT_NEAR(heard.hertz, 440, 10);  // codecs pad the last frame

  // Hidden and found again as that WAV, under its name.
  Synthesize();
  ASSERT_EQ(kc::OperationFailed, 0);
  kc::SaveImageData(tmp / "carrier.bmp");
  kc::ResetWorkData();
  LoadImage(tmp / "carrier.bmp");
  Extract();
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(layout::StoredSoundName(), media::WavNameFor(c.file));
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), wav);
  commands::Clear();
  std::vector<std::string> kept{"carrier.bmp", "image.bmp", c.file};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(ListTree(tmp.path()), kept);
}

INSTANTIATE_TEST_SUITE_P(Formats, SoundConvertTest, ::testing::ValuesIn(kCases), ByLabel{});

// A WAV file the sound service plays takes the WAV loader's own path, byte
// for byte, also when it does not fit (the refusal stays).
TEST_F(EngineTest, PlayableWavIsNotConverted) {
  const ConvertCase tooLong = kCases[6];  // 400 x 300
  const std::string path = tmp / "f.wav";
  ConvertCase floatWav = tooLong;
  floatWav.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  floatWav.channels = 1;
  floatWav.seconds = 0.1;
  ASSERT_EQ(WriteTone(path, floatWav), "");
  LoadImage(MakeBmp(tooLong.width, tooLong.height));
  EXPECT_EQ(commands::OpenSound(path), commands::SoundOutcome::Opened);
  EXPECT_EQ(kc::SoundPath, path);
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), ReadFile(path));
  const Bytes big = MakeWav(40000, 16, 2);
  EXPECT_EQ(commands::OpenSound(Put("big.wav", big)), commands::SoundOutcome::Refused);
  EXPECT_EQ(platform.Texts(), (Strings{msg::kReplaceSound, msg::kSoundDoesNotFit}));
}

}  // namespace
}  // namespace korimo::test
