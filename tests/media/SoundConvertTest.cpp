// Sounds in other formats through the open-sound command: converted to a
// 16-bit WAV, made smaller in steps when they do not fit, and hidden as that
// WAV; WAV files the sound service plays stay as they are.
#include <sndfile.h>

#include <cmath>

#include "commands/Commands.h"
#include "tests/support/EngineFixture.h"
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
  int outChannels, outRate, outBits;  // rate 0: refused as too large; -1: the file as it is
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
    {"FloatWavAsIs", "f.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 8000, 0.1, 400, 300, kConverted, 0, -1, 0, ""},
    {"PcmWavTooLongRefused", "s.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 1, 400, 300, kConverted, 0, 0, 0,
     ""},
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
double Listen(const std::string& path, SF_INFO& info) {
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  std::vector<float> data(static_cast<std::size_t>(info.frames * info.channels));
  if (file) sf_readf_float(file, data.data(), info.frames), sf_close(file);
  int rising = 0;
  for (std::size_t i = info.channels; i < data.size(); i += info.channels)
    rising += data[i - info.channels] < 0 && data[i] >= 0;
  return rising * static_cast<double>(info.samplerate) / static_cast<double>(info.frames);
}

class SoundConvertTest : public EngineTest, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(SoundConvertTest, HiddenAsTheAnnouncedWav) {
  const ConvertCase& c = GetParam();
  const std::string source = tmp / c.file;
  ASSERT_EQ(WriteTone(source, c), "");
  LoadImage(MakeBmp(c.width, c.height));
  std::optional<media::SoundForm> fitted;
  const auto outcome = commands::OpenSound(source, c.fitting, &fitted);
  if (c.outRate <= 0) {  // the WAV loader's own answer: the file as it is, or the refusal
    EXPECT_EQ(outcome, c.outRate ? commands::SoundOutcome::Opened : commands::SoundOutcome::Refused);
    EXPECT_EQ(platform.Texts(), c.outRate ? Strings{} : Strings{msg::kSoundDoesNotFit});
    const Bytes loaded(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize);
    EXPECT_EQ(loaded, c.outRate ? ReadFile(source) : Bytes{});
    return;
  }
  ASSERT_EQ(outcome, commands::SoundOutcome::Opened) << testing::PrintToString(platform.Texts());
  EXPECT_EQ(fitted ? media::FittedMessage(*fitted) : "", c.announced);

  // SoundPath is the converted WAV, named after the source: the bytes loaded.
  EXPECT_EQ(kc::FileTitleOf(kc::SoundPath), media::WavNameFor(c.file));
  const Bytes wav = ReadFile(kc::SoundPath);
  ASSERT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
  SF_INFO heard{};
  EXPECT_NEAR(Listen(kc::SoundPath, heard), 440, 10);  // codecs pad the last frame
  EXPECT_EQ((std::array<int, 3>{heard.channels, heard.samplerate, heard.format}),
            (std::array<int, 3>{c.outChannels, c.outRate,
                                SF_FORMAT_WAV | (c.outBits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16)}));
  EXPECT_NEAR(static_cast<double>(heard.frames) / c.outRate, c.seconds, 0.1);

  // Hidden and found again as that WAV, under its name.
  Synthesize();
  kc::SaveImageData(tmp / "carrier.bmp");
  kc::ResetWorkData();
  LoadImage(tmp / "carrier.bmp");
  Extract();
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(layout::StoredSoundName(), media::WavNameFor(c.file));
  EXPECT_EQ(Bytes(kc::SoundBytes.begin(), kc::SoundBytes.begin() + kc::SoundSize), wav);
}

INSTANTIATE_TEST_SUITE_P(Formats, SoundConvertTest, ::testing::ValuesIn(kCases), ByLabel{});

}  // namespace
}  // namespace korimo::test
