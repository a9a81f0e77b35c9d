// The sound service played through SDL's disk audio driver: the driver
// writes every byte the device plays to SDL_DISKAUDIOFILE, so the output can
// be compared with the WAV's samples as an independent decoder sees them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>

#include "platform/sdl/SoundService.h"
#include "tests/sound/SoundFixtures.h"
#include "tests/support/AddressSpaceCap.h"
#include "tests/support/Sanitizers.h"

namespace korimo::soundtest {
namespace {

using platform::PlayResult;

constexpr std::uint8_t kSilenceU8 = 0x80;
constexpr std::uint8_t kSilenceS16 = 0x00;

class SoundServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    // The disk driver reads both variables each time a device is opened.
    setenv("SDL_DISKAUDIOFILE", out().c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
  }
  void TearDown() override { sound::Shutdown(); }

  std::string out() const { return dir_ / "out.raw"; }

  // Plays `path` (or its bytes) to the end, closes the device and returns what was played.
  Bytes PlayToEnd(const std::string& path, bool fromMemory = false) {
    const Bytes wav = fromMemory ? ReadAll(path) : Bytes();
    EXPECT_EQ(fromMemory ? sound::PlayWavBytes(wav.data(), wav.size()) : sound::PlayWavFile(path), PlayResult::Started);
    EXPECT_TRUE(WaitUntilDrained());
    sound::Shutdown();
    return ReadAll(out());
  }

  ScratchDir dir_;
};

bool AllSilence(Bytes::const_iterator from, Bytes::const_iterator to, std::uint8_t silence) {
  return std::all_of(from, to, [&](std::uint8_t b) { return b == silence; });
}

std::size_t LeadingSilence(const Bytes& bytes, std::uint8_t silence) {
  return static_cast<std::size_t>(
      std::find_if(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return b != silence; }) - bytes.begin());
}

// Where `expected` starts in `played`. The device runs from the moment it is
// opened and writes a buffer of silence whenever its thread gets there before
// the unpause, so the sound may start a buffer or so late.
std::size_t SoundStart(const Bytes& played, const Bytes& expected, std::uint8_t silence) {
  const std::size_t lead = LeadingSilence(played, silence);
  const std::size_t own = LeadingSilence(expected, silence);
  return lead >= own ? lead - own : 0;
}

// `played` must be `expected` with only silence around it.
void ExpectPlayedExactly(const Bytes& played, const Bytes& expected, std::uint8_t silence) {
  ASSERT_FALSE(expected.empty());
  const std::size_t start = SoundStart(played, expected, silence);
  ASSERT_GE(played.size(), start + expected.size()) << "sound cut short";
  const auto begin = played.begin() + static_cast<std::ptrdiff_t>(start);
  const auto diff = std::mismatch(expected.begin(), expected.end(), begin);
  EXPECT_TRUE(diff.first == expected.end())
      << "samples differ from byte " << (diff.first - expected.begin()) << " of " << expected.size();
  EXPECT_TRUE(AllSilence(begin + static_cast<std::ptrdiff_t>(expected.size()), played.end(), silence))
      << "something other than silence follows the sound";
}

// ---- decoding: every encoding plays exactly its decoded samples ----------

struct DecodeCase {
  const char* name;
  const char* tool;
  const char* makeCommand;  // {} is replaced by the quoted WAV path
  const char* fileName;
  bool eightBit;             // SDL keeps 8-bit PCM unsigned; everything else decodes to 16-bit
  std::size_t trailingBytes;  // junk and zeros after the RIFF chunk, as in an extracted sound area
  int tolerance;              // largest sample difference allowed from sox's decoding
  bool fromMemory = false;    // handed over as bytes, as a sealed picture's sound is
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

const DecodeCase kDecodeCases[] = {
    {"Pcm8", "sox", "sox -n -r 8000 -c 1 -b 8 -e unsigned {} synth 0.2 sine 440", "a.wav", true, 0, 0},
    {"Pcm16Stereo", "sox", "sox -n -r 11025 -c 2 -b 16 -e signed {} synth 0.2 sine 440 sine 660", "a.wav", false, 0, 0},
    {"ImaAdpcm", "sox", "sox -n -r 8000 -c 1 -e ima-adpcm {} synth 0.2 sine 300", "a.wav", false, 0, 0},
    // SDL's and sox's MS ADPCM decoders round differently from the third
    // block on; a few dozen steps out of 32768 is rounding, not a wrong decode.
    {"MsAdpcm", "sox", "sox -n -r 8000 -c 1 -e ms-adpcm {} synth 0.2 sine 300", "a.wav", false, 0, 100},
    {"MuLaw", "sox", "sox -n -r 8000 -c 1 -e mu-law {} synth 0.2 sine 500", "a.wav", false, 0, 0},
    {"ALaw", "sox", "sox -n -r 8000 -c 1 -e a-law {} synth 0.2 sine 500", "a.wav", false, 0, 0},
    {"Speech", "espeak-ng", "espeak-ng -w {} korimo", "a.wav", false, 0, 0},
    {"TempWavWithTrailingBytes", "sox", "sox -n -r 8000 -c 1 -b 16 -e signed {} synth 0.2 sine 440", "temp.wav",
     false, 5000, 0},
    {"Pcm8WithTrailingBytes", "sox", "sox -n -r 8000 -c 1 -b 8 -e unsigned {} synth 0.2 sine 440", "temp.wav",
     true, 777, 0},
    {"JapaneseFileName", "sox", "sox -n -r 8000 -c 1 -b 16 -e signed {} synth 0.2 sine 440", "音声テスト こんにちは.wav",
     false, 0, 0},
    {"FromMemoryWithTrailingBytes", "sox", "sox -n -r 11025 -c 2 -b 16 -e signed {} synth 0.2 sine 440", "a.wav",
     false, 300, 0, true},
};

class DecodeTest : public SoundServiceTest, public ::testing::WithParamInterface<DecodeCase> {};

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string WithPath(std::string command, const std::string& path) {
  command.replace(command.find("{}"), 2, Quoted(path));
  return command;
}

TEST_P(DecodeTest, PlaysExactlyTheDecodedSamples) {
  const DecodeCase& c = GetParam();
  if (!HaveTool("sox") || !HaveTool(c.tool)) GTEST_SKIP() << c.tool << " or sox not installed";

  const std::string wav = dir_ / c.fileName;
  const std::string ref = dir_ / "ref.raw";
  ASSERT_TRUE(RunShell(WithPath(c.makeCommand, wav) + " >/dev/null 2>&1"));
  const std::string refCommand = c.eightBit ? "sox " + Quoted(wav) + " -t raw -e unsigned -b 8 " + Quoted(ref)
                                            : "sox " + Quoted(wav) + " -t raw -e signed -b 16 " + Quoted(ref);
  ASSERT_TRUE(RunShell(refCommand));
  const Bytes expected = ReadAll(ref);

  if (c.trailingBytes > 0) {
    // What follows the WAV in an extracted file: leftover bytes of the
    // sound area (here junk that even looks like a chunk) and zeros.
    Bytes file = ReadAll(wav);
    const char junk[] = "dataJUNKLIST\xff\xff\xff\x7f";
    file.insert(file.end(), junk, junk + sizeof junk - 1);
    for (std::size_t i = 0; i < c.trailingBytes; ++i) file.push_back(i < c.trailingBytes / 2 ? (i * 29) & 0xFF : 0);
    WriteAll(wav, file);
  }

  const Bytes played = PlayToEnd(wav, c.fromMemory);
  if (c.tolerance == 0) {
    ExpectPlayedExactly(played, expected, c.eightBit ? kSilenceU8 : kSilenceS16);
  } else {
    const std::size_t start = SoundStart(played, expected, kSilenceS16);
    ASSERT_EQ(start % 2, 0u);
    ASSERT_GE(played.size(), start + expected.size());
    for (std::size_t i = 0; i + 1 < expected.size(); i += 2) {
      const int want = static_cast<std::int16_t>(expected[i] | expected[i + 1] << 8);
      const int got = static_cast<std::int16_t>(played[start + i] | played[start + i + 1] << 8);
      ASSERT_LE(std::abs(want - got), c.tolerance) << "sample " << i / 2;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, DecodeTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- asynchronous playback and replacement -------------------------------

// A long 16-bit mono sound of a pattern no tone generator produces.
Bytes LongPattern16(int samples) {
  Bytes b;
  for (int i = 0; i < samples; ++i) {
    const auto v = static_cast<std::uint16_t>(1000 + (i % 97) * 13);
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  return b;
}

Bytes ShortTone16(int samples) {
  Bytes b;
  for (int i = 0; i < samples; ++i) {
    const auto v = static_cast<std::uint16_t>(i % 2 ? -8000 - i : 8000 + i);
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  return b;
}

TEST_F(SoundServiceTest, ReturnsWhileSoundPlaysAndSameFormatReplacementCutsTheOldSound) {
  // Real-time-ish pace so the long sound is certainly still queued.
  setenv("SDL_DISKAUDIODELAY", "20", 1);
  const Bytes first = LongPattern16(8000 * 10);
  const Bytes second = ShortTone16(1600);
  WriteAll(dir_ / "first.wav", MakePcmWav(first, 16, 8000));
  WriteAll(dir_ / "second.wav", MakePcmWav(second, 16, 8000));

  ASSERT_EQ(sound::PlayWavFile(dir_ / "first.wav"), PlayResult::Started);
  EXPECT_GT(sound::QueuedBytes(), 0u) << "returned only after the sound was played";

  // A request that cannot be played leaves the running sound alone.
  EXPECT_EQ(sound::PlayWavFile(dir_ / "missing.wav"), PlayResult::NotPlayable);
  EXPECT_GT(sound::QueuedBytes(), 0u);

  ASSERT_EQ(sound::PlayWavFile(dir_ / "second.wav"), PlayResult::Started);
  ASSERT_TRUE(WaitUntilDrained());
  sound::Shutdown();
  const Bytes played = ReadAll(out());

  // Silence, perhaps the start of the first sound (the replacement may come
  // before the device has taken any of it), silence again, then all of the
  // second and nothing but silence after it.
  const auto at = std::search(played.begin(), played.end(), second.begin(), second.end());
  ASSERT_NE(at, played.end()) << "the second sound was not played";
  const auto firstStart = played.begin() + static_cast<std::ptrdiff_t>(LeadingSilence(played, kSilenceS16));
  ASSERT_LE(firstStart, at);
  ASSERT_LT(at - firstStart, static_cast<std::ptrdiff_t>(first.size())) << "the first sound was not replaced";
  const auto firstEnd = std::mismatch(firstStart, at, first.begin(), first.end()).first;
  EXPECT_TRUE(AllSilence(firstEnd, at, kSilenceS16)) << "something else played between the two sounds";
  EXPECT_TRUE(AllSilence(at + static_cast<std::ptrdiff_t>(second.size()), played.end(), kSilenceS16));
}

TEST_F(SoundServiceTest, DifferentFormatReplacementStartsAFreshDevice) {
  Bytes first(8000 * 30);
  for (std::size_t i = 0; i < first.size(); ++i) first[i] = static_cast<std::uint8_t>(0x20 + i % 64);
  const Bytes second = ShortTone16(2205);
  WriteAll(dir_ / "first.wav", MakePcmWav(first, 8, 8000));
  WriteAll(dir_ / "second.wav", MakePcmWav(second, 16, 22050));

  ASSERT_EQ(sound::PlayWavFile(dir_ / "first.wav"), PlayResult::Started);
  // The reopened device starts a new output file: only the second sound is in it.
  ExpectPlayedExactly(PlayToEnd(dir_ / "second.wav"), second, kSilenceS16);
}

TEST_F(SoundServiceTest, FilesThatCannotBePlayedAreNotPlayable) {
  Bytes truncatedHeader = MakePcmWav(ShortTone16(100), 16, 8000);
  truncatedHeader.resize(30);
  Bytes notRiff = MakePcmWav(ShortTone16(100), 16, 8000);
  notRiff[0] = 'X';
  Bytes badFormatTag = MakePcmWav(ShortTone16(100), 16, 8000);
  badFormatTag[20] = 0x99;
  const struct {
    const char* name;
    Bytes content;
  } cases[] = {
      {"empty.wav", {}},
      {"short.wav", truncatedHeader},
      {"notriff.wav", notRiff},
      {"format.wav", badFormatTag},
  };
  for (const auto& c : cases) {
    WriteAll(dir_ / c.name, c.content);
    EXPECT_EQ(sound::PlayWavFile(dir_ / c.name), PlayResult::NotPlayable) << c.name;
  }
  EXPECT_EQ(sound::PlayWavFile(dir_ / "missing.wav"), PlayResult::NotPlayable);
  EXPECT_EQ(sound::PlayWavFile(""), PlayResult::NotPlayable);
  EXPECT_EQ(sound::PlayWavFile(dir_ / ""), PlayResult::NotPlayable) << "a directory";
  // Nobody writes to this pipe: opening it for reading would wait forever.
  ASSERT_EQ(mkfifo((dir_ / "pipe.wav").c_str(), 0600), 0);
  EXPECT_EQ(sound::PlayWavFile(dir_ / "pipe.wav"), PlayResult::NotPlayable);
}

#ifndef KORIMO_ASAN
// Memory follows the sound: a 20 s stereo sound followed by 64 MB of the rest
// of a sound area plays in an address space that may grow by 48 MB only.
TEST_F(SoundServiceTest, PlaysWithinMemoryThatFollowsTheSound) {
  Bytes samples = LongPattern16(44100 * 20);
  Bytes file = MakePcmWav(samples, 16, 44100);
  file.resize(file.size() + (64u << 20), 0);
  WriteAll(dir_ / "temp.wav", file);
  file = {};
  ASSERT_EQ(sound::PlayWavFile(dir_ / "missing.wav"), PlayResult::NotPlayable);  // SDL started up
  test::AddressSpaceCap cap(48u << 20);
  EXPECT_EQ(sound::PlayWavFile(dir_ / "temp.wav"), PlayResult::Started);
  ASSERT_TRUE(WaitUntilDrained(std::chrono::seconds(50)));
}
#endif

TEST_F(SoundServiceTest, DeviceThatCannotOpenIsUnavailableAndRecovers) {
  const Bytes samples = ShortTone16(800);
  WriteAll(dir_ / "a.wav", MakePcmWav(samples, 16, 8000));

  setenv("SDL_DISKAUDIOFILE", (dir_ / "no-such-dir/out.raw").c_str(), 1);
  EXPECT_EQ(sound::PlayWavFile(dir_ / "a.wav"), PlayResult::ServiceUnavailable);

  setenv("SDL_DISKAUDIOFILE", out().c_str(), 1);
  ExpectPlayedExactly(PlayToEnd(dir_ / "a.wav"), samples, kSilenceS16);
}

}  // namespace
}  // namespace korimo::soundtest
