// korimo-cli through its real executable: exit codes, what lands on stdout,
// stderr and disk, and what must never land there (half-written outputs,
// "temp.wav").
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Messages.h"
#include "tests/cli/CliFixture.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/NamedCases.h"
#include "tests/support/TestFiles.h"

namespace korimo::test {
namespace {

namespace fs = std::filesystem;

// The texts korimo-cli prints, from the program's own table.
const std::string kCannotRead = msg::kCannotRead;
const std::string kDoesNotFit = msg::kSoundDoesNotFit;
const std::string kMemoTooLong = msg::kMemoTooLong;
const std::string kMemoHasInvalidChars = msg::kMemoHasInvalidChars;
const std::string kCannotLoad = msg::kCannotLoad;
const std::string kNoRoomForMemo = msg::kNoRoomForMemo;
const std::string kPasswordTooLong = msg::kPasswordTooLong;
const std::string kCannotSave = msg::kCannotSave;
const std::string kLoadCarrier = msg::kLoadCarrier;

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }
Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// For runs with inputs a wrong binary would wait on or read without end:
// killed after a minute, and kept to 512 MB of address space (except under
// AddressSanitizer, which reserves more than any such bound).
CliLimits Guarded() {
  CliLimits limits{.killAfterSeconds = 60};
  if (!kAddressSanitizer) limits.addressSpace = 512ULL << 20;
  return limits;
}

class CliTest : public CliFixture {
 protected:
  void RequireTools() {
    for (const char* tool : {"convert", "sox"})
      if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  }

  // A BMP written by ImageMagick: 24 bits, or 32 bits with an alpha channel.
  std::string ConvertBmp(const std::string& name, int w, int h, int bpp) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string cmd =
        bpp == 32 ? "convert -size " + size + " plasma:fractal -alpha on -define bmp3:alpha=true BMP3:"
                  : "convert -size " + size + " plasma:fractal -type TrueColor BMP3:";
    EXPECT_EQ(korimo::test::Run(cmd + ShellQuote(P(name)) + " 2>/dev/null"), 0) << cmd;
    return name;
  }

  // A WAV written by sox from a sine tone; `format` is sox's output options.
  std::string SoxWav(const std::string& name, const std::string& format, double seconds) {
    const std::string cmd = "sox -n " + format + " " + ShellQuote(P(name)) +
                            " synth " + std::to_string(seconds) + " sine 440";
    EXPECT_EQ(korimo::test::Run(cmd), 0) << cmd;
    return name;
  }

};


long DataSizeOf(const Bytes& bmp) {
  return bmp[34] | bmp[35] << 8 | bmp[36] << 16 | static_cast<long>(bmp[37]) << 24;
}

// ---------------------------------------------------------------------------
// Round trips through files written by ImageMagick, sox and espeak-ng: the
// one test of the whole road (embed, info, extract) on other programs' files.

struct RoundTripCase {
  const char* label;
  int width, height, bpp;
  const char* wavName;
  const char* soxFormat;  // nullptr: spoken by espeak-ng
  double seconds;
  const char* password;   // nullptr: none
  const char* memo;       // nullptr: none
  bool memoFromFile;
  int memoCp932Bytes;
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.label; }

class CliRoundTrip : public CliTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(CliRoundTrip, ExtractReturnsTheEmbeddedWavAndMemo) {
  RequireTools();
  const RoundTripCase& c = GetParam();
  const std::string image = ConvertBmp("image.bmp", c.width, c.height, c.bpp);
  std::string wav = c.wavName;
  if (c.soxFormat) {
    SoxWav(wav, c.soxFormat, c.seconds);
  } else {
    if (!HaveTool("espeak-ng")) GTEST_SKIP() << "espeak-ng is not installed";
    ASSERT_EQ(korimo::test::Run("espeak-ng -w " + ShellQuote(P(wav)) + " 'hello'"), 0);
  }
  const Bytes source = ReadFile(P(image));
  const Bytes sound = ReadFile(P(wav));

  std::vector<std::string> embed{"embed", image, wav, "-o", "carrier.bmp"};
  std::vector<std::string> withPassword;
  if (c.password) withPassword = {"--password", c.password};
  embed.insert(embed.end(), withPassword.begin(), withPassword.end());
  if (c.memo && c.memoFromFile) {
    Write("memo.txt", AsBytes(c.memo));
    embed.insert(embed.end(), {"--memo-file", "memo.txt"});
  } else if (c.memo) {
    embed.insert(embed.end(), {"--memo", c.memo});
  }
  CliResult r = Cli(embed);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");

  // The carrier is the source picture with only bit 0 changed, from offset 54 on.
  const Bytes carrier = ReadFile(P("carrier.bmp"));
  ASSERT_EQ(carrier.size(), source.size());
  for (std::size_t i = 0; i < source.size(); ++i) {
    const int mask = i < 54 ? 0xFF : 0xFE;
    ASSERT_EQ(carrier[i] & mask, source[i] & mask) << "offset " << i;
  }

  std::vector<std::string> info{"info", "carrier.bmp"};
  info.insert(info.end(), withPassword.begin(), withPassword.end());
  r = Cli(info);
  EXPECT_EQ(r.code, 0) << r.err;
  const std::string expected = InfoText(DataSizeOf(source), 1, "present", static_cast<long>(sound.size()),
                                        c.wavName, c.memoCp932Bytes, 0);
  EXPECT_EQ(r.out.substr(0, r.out.rfind("capacity: ")), expected.substr(0, expected.rfind("capacity: ")));

  std::vector<std::string> extract{"extract", "carrier.bmp", "-o", "out.wav", "--memo-out", "memo-out.txt"};
  extract.insert(extract.end(), withPassword.begin(), withPassword.end());
  r = Cli(extract);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), sound);
  EXPECT_EQ(Text(ReadFile(P("memo-out.txt"))), c.memo ? c.memo : "");
}

const std::string kJapaneseMemo = "こんにちは\r\n二行目です。\nＡＢＣ ～ ①";  // CR LF and LF kept as given

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRoundTrip,
    ::testing::Values(
        RoundTripCase{"Odd24bit8bitPcm", 101, 77, 24, "tone.wav", "-r 8000 -c 1 -b 8", 0.1, nullptr, nullptr, false, 0},
        RoundTripCase{"Alpha32bit16bitPcmPasswordMemo", 63, 41, 32, "tone.wav", "-r 8000 -c 1 -b 16", 0.05, "pass1234",
                      kJapaneseMemo.c_str(), false, 37},
        RoundTripCase{"DataSizeNotMultipleOf8MuLaw", 100, 75, 24, "音声.wav", "-r 8000 -c 1 -e mu-law", 0.1, "ひみつ",
                      "line 1\nline 2\n", false, 14},
        RoundTripCase{"ImaAdpcm32bitMemoFile", 64, 64, 32, "adpcm.wav", "-r 8000 -c 1 -e ima-adpcm", 0.2, nullptr,
                      kJapaneseMemo.c_str(), true, 37},
        RoundTripCase{"Espeak24bitPassword", 333, 280, 24, "speech.wav", nullptr, 0, "a", "x", false, 1},
        RoundTripCase{"Stereo32bitHalfWidthKanaPassword", 101, 61, 32, "ste.wav", "-r 11025 -c 2 -b 16", 0.03, "ｶﾅ12",
                      "①～", false, 4}),
    [](const auto& info) { return std::string(info.param.label); });

// A FLAC too large for the picture is made smaller; stderr says to what,
// and the carrier holds that WAV under the FLAC's name.
TEST_F(CliTest, FittedFlacIsAnnouncedAndHidden) {
  RequireTools();
  const std::string image = ConvertBmp("image.bmp", 200, 150, 24);
  ASSERT_EQ(korimo::test::Run("sox -n -r 44100 -c 2 " + ShellQuote(P("voice.flac")) + " synth 1 sine 440"), 0);
  CliResult r = Cli({"embed", image, "voice.flac", "-o", "carrier.bmp"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "voice.flac: モノラル 8 kHz 8 ビットに変換しました（1.0 秒）。\n");
  ASSERT_EQ(Cli({"extract", "carrier.bmp", "-o", "out.wav"}).code, 0);
  EXPECT_EQ(Cli({"info", "carrier.bmp"}).out, InfoText(90000, 1, "present", 8044, "voice.wav", 0, 11218));
}

// The largest picture size the tool is meant for, with a sound of several
// megabytes and a memo.
TEST_F(CliTest, LargePictureRoundTrip) {
  RequireTools();
  Write("large.bmp", MakeBmp(4000, 3000));
  SoxWav("long.wav", "-b 16 -c 2 -r 44100", 20);
  ASSERT_EQ(Cli({"embed", "large.bmp", "long.wav", "-o", "c.bmp", "--memo", "大きな画像"}).code, 0);
  ASSERT_EQ(Cli({"extract", "c.bmp", "-o", "out.wav", "--memo-out", "memo.txt"}).code, 0);
  EXPECT_EQ(ReadFile(P("out.wav")), ReadFile(P("long.wav")));
  EXPECT_EQ(Text(ReadFile(P("memo.txt"))), "大きな画像");
}

// Output that cannot be written (a full disk) fails the command.
TEST_F(CliTest, InfoThatCannotBeWrittenFails) {
  Write("image.bmp", MakeBmp(64, 48));
  EXPECT_EQ(Cli({"info", "image.bmp"}, {.standardOutput = "/dev/full"}).code, 1);
  EXPECT_EQ(Cli({"info", "image.bmp", "--json"}, {.standardOutput = "/dev/full"}).code, 1);
}

// No command needs a temporary folder: none is made, so a missing one is no
// refusal and a killed run leaves nothing there.
TEST_F(CliTest, NeedsNoTemporaryFolder) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  const std::string usable = tmp_;
  tmp_ = root_ / "missing/";
  EXPECT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--memo", "m"}).code, 0);
  EXPECT_EQ(Cli({"info", "c.bmp"}).code, 0);
  EXPECT_EQ(Cli({"extract", "c.bmp", "-o", "out.wav"}).code, 0);
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(300));
  tmp_ = usable;
}

// ---------------------------------------------------------------------------
// Password-protected carriers.

class ProtectedCarrier : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    Write("image.bmp", MakeBmp(64, 48));
    Write("s.wav", MakeWav(300));
    ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--password", "abc", "--memo", "m"}).code, 0);
  }
};

TEST_F(ProtectedCarrier, OpensWithTheExactPassword) {
  CliResult r = Cli({"info", "c.bmp"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, InfoText(64 * 48 * 3, 1, "protected", 0, "", 0, 1120));
  r = Cli({"extract", "c.bmp", "-o", "new.wav", "--password", "abc", "--memo-out", "memo.txt"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("new.wav")), MakeWav(300));
  EXPECT_EQ(Text(ReadFile(P("memo.txt"))), "m");
}

// Any other password, or none, exits 3 and writes nothing: no new file, and
// an existing output keeps its contents.
struct WrongPasswordCase {
  const char* label;
  std::vector<std::string> option;
};

class WrongPassword : public ProtectedCarrier, public ::testing::WithParamInterface<WrongPasswordCase> {};

TEST_P(WrongPassword, ExitsThreeAndWritesNothing) {
  Write("old.wav", AsBytes("old contents"));
  for (const char* target : {"new.wav", "old.wav"}) {
    std::vector<std::string> args{"extract", "c.bmp", "-o", target, "--memo-out", "memo.txt"};
    args.insert(args.end(), GetParam().option.begin(), GetParam().option.end());
    EXPECT_EQ(Cli(args).code, 3) << target;
    EXPECT_FALSE(FileExists(P("new.wav")));
    EXPECT_FALSE(FileExists(P("memo.txt")));
    EXPECT_EQ(Text(ReadFile(P("old.wav"))), "old contents");
  }
}

const WrongPasswordCase kWrongPasswords[] = {
    {"None", {}},
    {"UpperCase", {"--password", "ABC"}},
    {"OneCharacterMore", {"--password", "abcd"}},
    {"OneCharacterLess", {"--password", "ab"}},
    {"Empty", {"--password", ""}},
};
INSTANTIATE_TEST_SUITE_P(Passwords, WrongPassword, ::testing::ValuesIn(kWrongPasswords), ByLabel{});

TEST_F(CliTest, UnprotectedSoundIgnoresAGivenPassword) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp"}).code, 0);
  const CliResult r = Cli({"extract", "c.bmp", "-o", "out.wav", "--password", "whatever"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(300));
}

// ---------------------------------------------------------------------------
// Refused commands: exit 1, the system's message, and the output untouched.

struct RefusalCase {
  const char* label;
  std::vector<std::string> args;  // OUT is the output under test
  std::string message;  // empty: any message
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.label; }

class CliRefusal : public CliTest, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  void MakeInputs() {
    Write("image.bmp", MakeBmp(64, 48));
    Write("small.bmp", MakeBmp(8, 8));
    Write("s.wav", MakeWav(300));
    Write("big.wav", MakeWav(2000));
    Write("not-a-wav.wav", AsBytes("RIFF\x10\0\0\0AVI LIST0000"));
    // A FLAC cut in half: libsndfile opens it and fails part way.
    ASSERT_EQ(korimo::test::Run("sox -n -r 8000 -c 1 " + ShellQuote(P("whole.flac")) + " synth 1 sine 440"), 0);
    const Bytes flac = ReadFile(P("whole.flac"));
    Write("cut.flac", Bytes(flac.begin(), flac.begin() + static_cast<std::ptrdiff_t>(flac.size() / 2)));
    Bytes paletted = MakeBmp(16, 16);
    paletted[28] = 8;
    Write("8bit.bmp", paletted);
    Write("plain.bmp", MakeBmp(64, 48));
    Write("picture.png", AsBytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"));
    Bytes masksOverPixels = MakeBmp(64, 48);
    masksOverPixels[30] = 3;  // bit fields, whose masks would lie where the pixels start
    Write("masks.bmp", masksOverPixels);
    for (const int dataSize : {0, 83}) {
      Bytes b = MakeBmp(64, 48);
      b[34] = static_cast<std::uint8_t>(dataSize), b[35] = b[36] = b[37] = 0;
      Write("size" + std::to_string(dataSize) + ".bmp", b);
    }
    Write("not-utf8.txt", AsBytes("A\xC3" "BCDEF"));
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "carrier.bmp"}).code, 0);
    ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "memo-carrier.bmp", "--memo", "メモ"}).code, 0);
  }
};

TEST_P(CliRefusal, RefusesWithItsMessageAndLeavesTheOutputAlone) {
  MakeInputs();
  const RefusalCase& c = GetParam();
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "existing output" : "no output yet");
    if (existing) Write("OUT", AsBytes("previous contents"));
    const CliResult r = Cli(c.args, Guarded());
    EXPECT_EQ(r.code, 1);
    if (c.message.empty())
      EXPECT_NE(r.err, "");
    else
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    if (existing)
      EXPECT_EQ(Text(ReadFile(P("OUT"))), "previous contents");
    else
      EXPECT_FALSE(FileExists(P("OUT")));
  }
  EXPECT_FALSE(FileExists(P("missing.bmp")));
  EXPECT_FALSE(FileExists(P("missing.wav")));
  // No temporary file of an atomic write is left beside the output.
  for (const auto& e : fs::directory_iterator(work_))
    EXPECT_NE(e.path().filename().string().rfind(".OUT", 0), 0u) << e.path();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRefusal,
    ::testing::Values(
        RefusalCase{"EightBitImage", {"embed", "8bit.bmp", "s.wav", "-o", "OUT"},
                    "8bit.bmp: " + kCannotRead + " (8 bits per pixel; 24 or 32 needed)"},
        RefusalCase{"PngImage", {"embed", "picture.png", "s.wav", "-o", "OUT"},
                    "picture.png: " + kCannotRead + " (not a BMP file; the window opens PNG, JPEG, WebP, TIFF and GIF as BMP)"},
        // Embedding would write over the masks.
        RefusalCase{"MasksOverThePixels", {"embed", "masks.bmp", "s.wav", "-o", "OUT"},
                    "masks.bmp: " + kCannotRead + " (pixel data inside the headers)"},
        RefusalCase{"OutputFolderMissing", {"embed", "image.bmp", "s.wav", "-o", "nodir/OUT"},
                    "nodir/OUT: " + kCannotSave + " (the folder nodir cannot be written: No such file or directory)"},
        RefusalCase{"InfoDataSizeZero", {"info", "size0.bmp"},
                    "size0.bmp: " + kCannotLoad + " (a data-size field of 0 leaves no room for a sound)"},
        RefusalCase{"InfoDataSize83", {"info", "size83.bmp"}, kCannotLoad},
        RefusalCase{"MissingImage", {"embed", "missing.bmp", "s.wav", "-o", "OUT"}, kCannotRead},
        RefusalCase{"MissingSound", {"embed", "image.bmp", "missing.wav", "-o", "OUT"}, ""},
        RefusalCase{"NotAWav", {"embed", "image.bmp", "not-a-wav.wav", "-o", "OUT"}, kCannotRead},
        RefusalCase{"SoundTooBig", {"embed", "image.bmp", "big.wav", "-o", "OUT"}, kDoesNotFit},
        RefusalCase{"FlacCutShort", {"embed", "image.bmp", "cut.flac", "-o", "OUT"}, kCannotLoad},
        RefusalCase{"SoundTooBigEvenAt8Bit", {"embed", "image.bmp", "big.wav", "-o", "OUT", "--fit"}, kDoesNotFit},
        RefusalCase{"ImageNotBmpNamesTheWindowsFormats", {"embed", "not-a-wav.wav", "s.wav", "-o", "OUT"},
                    "PNG, JPEG, WebP, TIFF and GIF"},
        RefusalCase{"TinyImage", {"embed", "small.bmp", "s.wav", "-o", "OUT"}, kDoesNotFit},
        RefusalCase{"CarrierWithoutReplace", {"embed", "carrier.bmp", "s.wav", "-o", "OUT"}, "--replace replaces it"},
        RefusalCase{"MemoTooLong", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo", std::string(2000, 'x')},
                    kMemoTooLong},
        RefusalCase{"MissingMemoFile", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo-file", "nope.txt"},
                    kCannotLoad},
        RefusalCase{"PasswordNineBytes", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--password", "123456789"},
                    kPasswordTooLong},
        RefusalCase{"PasswordFiveFullWidth", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--password", "あいうえお"},
                    kPasswordTooLong},
        RefusalCase{"ExtractPasswordTooLong",
                    {"extract", "carrier.bmp", "-o", "OUT", "--password", "123456789"}, kPasswordTooLong},
        // A character Shift-JIS lacks would be stored as "?" and never unlock.
        RefusalCase{"PasswordWithLetterShiftJisLacks",
                    {"embed", "image.bmp", "s.wav", "-o", "OUT", "--password", "café"}, kPasswordTooLong},
        RefusalCase{"ExtractPasswordWithLetterShiftJisLacks",
                    {"extract", "carrier.bmp", "-o", "OUT", "--password", "café"}, kPasswordTooLong},
        RefusalCase{"MemoWithCharactersShiftJisLacks",
                    {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo", "a😀b€"}, kMemoHasInvalidChars},
        RefusalCase{"MemoFileNotUtf8", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo-file", "not-utf8.txt"},
                    kMemoHasInvalidChars},
        // Inputs that are no regular file are refused at once, like unreadable ones.
        RefusalCase{"ImageIsAFifo", {"embed", "fifo", "s.wav", "-o", "OUT"}, kCannotLoad},
        RefusalCase{"SoundIsAFifo", {"embed", "image.bmp", "fifo", "-o", "OUT"}, kCannotLoad},
        RefusalCase{"MemoFileIsAFifo", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo-file", "fifo"},
                    kCannotLoad},
        RefusalCase{"CarrierIsAFifo", {"extract", "fifo", "-o", "OUT"}, kCannotLoad},
        RefusalCase{"MemoFileIsADevice", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo-file", "/dev/zero"},
                    kCannotLoad},
        RefusalCase{"ExtractFromPlainImage", {"extract", "plain.bmp", "-o", "OUT"}, kLoadCarrier},
        RefusalCase{"ExtractFrom8BitImage", {"extract", "8bit.bmp", "-o", "OUT"}, kCannotRead},
        RefusalCase{"ExtractMemoIntoDirectory",
                    {"extract", "memo-carrier.bmp", "-o", "OUT", "--memo-out", "."}, kCannotSave},
        RefusalCase{"EmbedIntoMissingDirectory", {"embed", "image.bmp", "s.wav", "-o", "no/such/dir.bmp"},
                    kCannotSave}),
    [](const auto& info) { return std::string(info.param.label); });

// A file without any write bit is refused even when running as root.
TEST_F(CliTest, ReadOnlyTargetsAreRefused) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  Write("ro.bmp", AsBytes("locked"));
  Write("ro.wav", AsBytes("locked"));
  chmod(P("ro.bmp").c_str(), 0444);
  chmod(P("ro.wav").c_str(), 0444);
  CliResult r = Cli({"embed", "image.bmp", "s.wav", "-o", "ro.bmp"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(kCannotSave), std::string::npos);
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp"}).code, 0);
  r = Cli({"extract", "c.bmp", "-o", "ro.wav"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(kCannotSave), std::string::npos);
  EXPECT_EQ(Text(ReadFile(P("ro.bmp"))), "locked");
  EXPECT_EQ(Text(ReadFile(P("ro.wav"))), "locked");

  // A symbolic link is written through: the link stays, its target changes.
  Write("real.wav", AsBytes("old"));
  fs::create_symlink("real.wav", P("link.wav"));
  r = Cli({"extract", "c.bmp", "-o", "link.wav"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(P("link.wav")));
  EXPECT_EQ(ReadFile(P("real.wav")), MakeWav(300));
}

// ---------------------------------------------------------------------------
// Replacing sound the image already carries.

TEST_F(CliTest, ReplaceSwapsTheSoundAndDropsTheOldMemo) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("first.wav", MakeWav(300));
  Write("second.wav", MakeWav(200, 8));
  ASSERT_EQ(Cli({"embed", "image.bmp", "first.wav", "-o", "c.bmp", "--memo", "old memo", "--password", "pw"}).code, 0);

  // Replacing needs no knowledge of the old password, only --replace.
  CliResult r = Cli({"embed", "c.bmp", "second.wav", "-o", "c2.bmp", "--replace"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = Cli({"extract", "c2.bmp", "-o", "out.wav", "--memo-out", "memo.txt"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(200, 8));
  EXPECT_EQ(Text(ReadFile(P("memo.txt"))), "");

  // A plain picture needs no --replace, and --replace does no harm there.
  EXPECT_EQ(Cli({"embed", "image.bmp", "second.wav", "-o", "c3.bmp", "--replace"}).code, 0);
  EXPECT_EQ(Cli({"embed", "c3.bmp", "first.wav", "-o", "c4.bmp", "--replace"}).code, 0);
  EXPECT_EQ(Cli({"extract", "c4.bmp", "-o", "out4.wav"}).code, 0);
  EXPECT_EQ(ReadFile(P("out4.wav")), MakeWav(300));
}

// ---------------------------------------------------------------------------
// Capacity limits at their exact boundaries. A 64 x 64 24-bit picture holds
// 12288 data bytes; with the name "a.wav" the embedded part of the sound area
// is 1508 bytes: the sound plus its 4-byte memo length, or the sound plus a
// 13-byte memo record and its text.

struct LimitCase {
  const char* label;
  int wavBytes;
  std::string memo;     // empty: no --memo
  std::string message;  // refusals: the whole of stderr but its line break
};

class SoundAndMemoLimit : public CliTest, public ::testing::WithParamInterface<LimitCase> {
 protected:
  CliResult Embed() {
    Write("image.bmp", MakeBmp(64, 64));
    Write("a.wav", MakeWav(GetParam().wavBytes - 44, 8));
    std::vector<std::string> args{"embed", "image.bmp", "a.wav", "-o", "c.bmp"};
    if (!GetParam().memo.empty()) args.insert(args.end(), {"--memo", GetParam().memo});
    return Cli(args);
  }
};

class SoundAndMemoWithinLimit : public SoundAndMemoLimit {};

TEST_P(SoundAndMemoWithinLimit, ComeBackWhole) {
  const CliResult r = Embed();
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(Cli({"extract", "c.bmp", "-o", "out.wav", "--memo-out", "memo.txt"}).code, 0);
  EXPECT_EQ(ReadFile(P("out.wav")), ReadFile(P("a.wav")));
  EXPECT_EQ(Text(ReadFile(P("memo.txt"))), GetParam().memo);
}

const LimitCase kWithinLimits[] = {
    {"LargestSound", 1504, "", ""},
    {"OneByteMemo", 1494, "a", ""},
    {"TwoByteMemo", 1493, "あ", ""},
};
INSTANTIATE_TEST_SUITE_P(Sizes, SoundAndMemoWithinLimit, ::testing::ValuesIn(kWithinLimits), ByLabel{});

class SoundAndMemoPastLimit : public SoundAndMemoLimit {};

TEST_P(SoundAndMemoPastLimit, AreRefusedWithTheirMessage) {
  const CliResult r = Embed();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, GetParam().message + "\n");
  EXPECT_FALSE(FileExists(P("c.bmp")));
}

const LimitCase kPastLimits[] = {
    {"SoundOneByteTooLarge", 1505, "", "a.wav: " + kDoesNotFit + " (a sound of 1505 bytes; room for 1504)"},
    {"MemoOneByteTooLong", 1494, "ab", kMemoTooLong},
    {"FullWidthMemoCountsTwo", 1494, "あ", kMemoTooLong},
    {"NoRoomForAMemo", 1495, "a", kNoRoomForMemo},
};
INSTANTIATE_TEST_SUITE_P(Sizes, SoundAndMemoPastLimit, ::testing::ValuesIn(kPastLimits), ByLabel{});

// ---------------------------------------------------------------------------
// A kind-0 carrier (size field, then the WAV, no header) is still read.

TEST_F(CliTest, ReadsKindZeroCarriers) {
  Bytes bmp = MakeBmp(64, 64);
  const Bytes wav = MakeWav(200);
  auto embed = [&](std::size_t base, std::uint8_t value) {
    for (int i = 0; i < 8; ++i) bmp[base + i] = (bmp[base + i] & 0xFE) | ((value >> (7 - i)) & 1);
  };
  const auto size = static_cast<std::uint32_t>(wav.size());
  for (int k = 0; k < 4; ++k) embed(54 + 8 * k, static_cast<std::uint8_t>(size >> (24 - 8 * k)));
  for (std::size_t k = 0; k < wav.size(); ++k) embed(86 + 8 * k, wav[k]);
  Write("kind0.bmp", bmp);

  CliResult r = Cli({"info", "kind0.bmp"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, InfoText(64 * 64 * 3, 0, "present", static_cast<long>(wav.size()), "", 0, 1504));
  r = Cli({"extract", "kind0.bmp", "-o", "out.wav", "--memo-out", "memo.txt"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), wav);
  EXPECT_EQ(ReadFile(P("memo.txt")), Bytes{});
}

// Bit 0 of the size field decides: all zero is kind 0 without sound; a kind
// of 2 to 15 is no sound whatever follows.
struct NoSoundCase {
  const char* label;
  int kind;
  std::uint32_t size;
};

class InfoWithoutSound : public CliTest, public ::testing::WithParamInterface<NoSoundCase> {};

TEST_P(InfoWithoutSound, ReportsKindAndNone) {
  Bytes bmp = MakeBmp(16, 20);
  const std::uint32_t field = static_cast<std::uint32_t>(GetParam().kind) << 28 | GetParam().size;
  for (int i = 0; i < 32; ++i) bmp[54 + i] = (bmp[54 + i] & 0xFE) | ((field >> (31 - i)) & 1);
  Write("plain.bmp", bmp);
  const CliResult r = Cli({"info", "plain.bmp"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, InfoText(960, GetParam().kind, "none", 0, "", 0, 88));
  EXPECT_EQ(r.err, "");
}

const NoSoundCase kNoSound[] = {
    {"Kind0Size0", 0, 0},
    {"Kind0Size3", 0, 3},
    {"Kind2", 2, 500},
    {"Kind15", 15, 500},
};
INSTANTIATE_TEST_SUITE_P(Fields, InfoWithoutSound, ::testing::ValuesIn(kNoSound), ByLabel{});

TEST_F(CliTest, MemoFileKeepsLineBreaksAndDropsAByteOrderMark) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  Write("memo.txt", AsBytes("\xEF\xBB\xBF" "一行目\r\n二行目\n\n三行目"));
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--memo-file", "memo.txt"}).code, 0);
  ASSERT_EQ(Cli({"extract", "c.bmp", "-o", "out.wav", "--memo-out", "back.txt"}).code, 0);
  EXPECT_EQ(Text(ReadFile(P("back.txt"))), "一行目\r\n二行目\n\n三行目");
}

// A memo file larger than any memo is refused without being read whole.
struct OversizedCase {
  const char* label;
  long long bytes;
  std::string message;
};

class OversizedMemoFile : public CliTest, public ::testing::WithParamInterface<OversizedCase> {};

TEST_P(OversizedMemoFile, IsRefusedUnread) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  const int fd = ::open(P("big.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, GetParam().bytes), 0);  // sparse: costs no disk
  ::close(fd);
  const CliResult r = Cli({"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo-file", "big.txt"}, Guarded());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "big.txt: " + GetParam().message + "\n");
  EXPECT_FALSE(FileExists(P("OUT")));
}

const OversizedCase kOversized[] = {
    {"FarMoreThanAMemoHolds", 1LL << 30, kMemoTooLong},
    {"MoreThanTheFormatDescribes", (1LL << 31) + 1, kCannotLoad},
};
INSTANTIATE_TEST_SUITE_P(Sizes, OversizedMemoFile, ::testing::ValuesIn(kOversized), ByLabel{});

// Two outputs that are one file, or an output over an input: a usage error,
// whether the paths are spelled alike or reach one file through a link or
// "..". Every file stays as it was and none is added.
struct SameFileCase {
  const char* label;
  std::vector<std::string> args;
};
void PrintTo(const SameFileCase& c, std::ostream* os) { *os << c.label; }

class CliSameFile : public CliTest, public ::testing::WithParamInterface<SameFileCase> {};

TEST_P(CliSameFile, IsAUsageErrorAndTouchesNothing) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  Write("memo.txt", AsBytes("memo"));
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--memo", "m"}).code, 0);
  Write("x.wav", AsBytes("old x"));
  fs::create_directory(P("sub"));
  fs::create_symlink("c.bmp", P("link.bmp"));
  fs::create_hard_link(P("c.bmp"), P("hard.bmp"));
  std::map<std::string, Bytes> before;
  for (const auto& e : fs::recursive_directory_iterator(work_))
    if (e.is_regular_file()) before[e.path().string()] = ReadFile(e.path().string());

  const CliResult r = Cli(GetParam().args);
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("same file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\nTry 'korimo-cli --help'.\n"), std::string::npos) << r.err;
  std::map<std::string, Bytes> after;
  for (const auto& e : fs::recursive_directory_iterator(work_))
    if (e.is_regular_file()) after[e.path().string()] = ReadFile(e.path().string());
  EXPECT_EQ(after, before);
  EXPECT_TRUE(fs::is_symlink(P("link.bmp")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliSameFile,
    ::testing::Values(
        SameFileCase{"ExtractOverItsCarrier", {"extract", "c.bmp", "-o", "c.bmp"}},
        SameFileCase{"ExtractMemoOverTheWav", {"extract", "c.bmp", "-o", "x.wav", "--memo-out", "./x.wav"}},
        SameFileCase{"ExtractNewOutputsThroughDotDot",
                     {"extract", "c.bmp", "-o", "new.wav", "--memo-out", "sub/../new.wav"}},
        SameFileCase{"ExtractMemoOverTheCarrier", {"extract", "c.bmp", "-o", "y.wav", "--memo-out", "c.bmp"}},
        SameFileCase{"ExtractOverCarrierByHardLink", {"extract", "c.bmp", "-o", "hard.bmp"}},
        SameFileCase{"ExtractOverCarrierBySymlink", {"extract", "link.bmp", "-o", "c.bmp"}},
        SameFileCase{"EmbedOverTheSound", {"embed", "image.bmp", "s.wav", "-o", "s.wav"}},
        SameFileCase{"EmbedOverTheImage", {"embed", "image.bmp", "s.wav", "-o", "image.bmp"}},
        SameFileCase{"EmbedOverTheMemoFile",
                     {"embed", "image.bmp", "s.wav", "-o", "memo.txt", "--memo-file", "memo.txt"}}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------
// Usage errors, help and version.

struct UsageCase {
  const char* label;
  std::vector<std::string> args;
};

class CliUsageError : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageError, ExitsTwoAndTouchesNothing) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  const CliResult r = Cli(GetParam().args);
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  // One line saying what is wrong, and where to look: not the whole help.
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
  EXPECT_TRUE(r.err.ends_with("\nTry 'korimo-cli --help'.\n")) << r.err;
  EXPECT_FALSE(FileExists(P("OUT")));
  EXPECT_FALSE(FileExists(P("OUT2")));
}

const UsageCase kUsageErrors[] = {
    {"NoCommand", {}},
    {"UnknownCommand", {"frobnicate"}},
    {"InfoWithoutFile", {"info"}},
    {"InfoWithMemo", {"info", "image.bmp", "--memo", "x"}},
    {"JsonWithAValue", {"info", "image.bmp", "--json=yes"}},
    {"JsonForExtract", {"extract", "image.bmp", "-o", "OUT", "--json"}},
    {"EmbedWithoutOutput", {"embed", "image.bmp", "s.wav"}},
    {"EmbedWithoutSound", {"embed", "image.bmp", "-o", "OUT"}},
    {"OutputWithoutValue", {"embed", "image.bmp", "s.wav", "-o"}},
    {"MemoAndMemoFile", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--memo", "a", "--memo-file", "m.txt"}},
    {"OutputTwice", {"embed", "image.bmp", "s.wav", "-o", "OUT", "-o", "OUT2"}},
    {"UnknownOption", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--bogus"}},
    {"ReplaceForExtract", {"extract", "image.bmp", "-o", "OUT", "--replace"}},
    {"MemoOutSameAsOutput", {"extract", "image.bmp", "-o", "OUT", "--memo-out", "OUT"}},
    {"VersionWithCommand", {"--version", "info"}},
    {"SealedWithoutPassphrase", {"embed", "image.bmp", "s.wav", "-o", "OUT", "--sealed"}},
};
INSTANTIATE_TEST_SUITE_P(Lines, CliUsageError, ::testing::ValuesIn(kUsageErrors), ByLabel{});

// A picture with a version-5 header keeps its pixels away from offset 54:
// embed writes the carrier in the classic layout, and the sound comes back.
TEST_F(CliTest, EmbedPutsAPictureIntoTheClassicLayout) {
  RequireTools();
  const std::string cmd = "convert -size 64x48 plasma:fractal -alpha set -channel A -evaluate set 70% +channel " +
                          ShellQuote(P("v5.bmp")) + " 2>/dev/null";
  ASSERT_EQ(korimo::test::Run(cmd), 0);
  const Bytes picture = ReadFile(P("v5.bmp"));
  ASSERT_NE(picture.at(10), 54) << "ImageMagick wrote a classic picture";
  Write("s.wav", MakeWav(300));
  CliResult r = Cli({"embed", "v5.bmp", "s.wav", "-o", "c.bmp"});
  ASSERT_EQ(r.code, 0) << r.err;
  const Bytes carrier = ReadFile(P("c.bmp"));
  EXPECT_EQ(carrier.at(10), 54);
  EXPECT_EQ(carrier.at(14), 40);
  EXPECT_EQ(carrier.size(), picture.size() - picture.at(10) + 54u);
  ASSERT_EQ(Cli({"extract", "c.bmp", "-o", "out.wav"}).code, 0);
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(300));

  // An output that is a link leading nowhere is refused, and stays a link.
  fs::create_symlink("nowhere.wav", P("dangling.wav"));
  r = Cli({"extract", "c.bmp", "-o", "dangling.wav"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(kCannotSave), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(P("dangling.wav")));
  EXPECT_FALSE(FileExists(P("nowhere.wav")));
}

// A name read from a picture is data: in text output it can neither add
// lines nor send escape sequences to the terminal.
TEST_F(CliTest, StoredNamesAreEscaped) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("a\nsound: none\x1b[2J.wav", MakeWav(300));
  ASSERT_EQ(Cli({"embed", "image.bmp", "a\nsound: none\x1b[2J.wav", "-o", "c.bmp"}).code, 0);
  const CliResult r = Cli({"info", "c.bmp"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, InfoText(64 * 48 * 3, 1, "present", 644, "a\\nsound: none\\x1b[2J.wav", 0, 1120));
}

// A lone "-" is a file name like any other, not an option.
TEST_F(CliTest, FileNamedDashIsAFile) {
  Write("image.bmp", MakeBmp(64, 48));
  Write("s.wav", MakeWav(300));
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "-"}).code, 0);
  CliResult r = Cli({"info", "-"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, InfoText(64 * 48 * 3, 1, "present", 644, "s.wav", 0, 1120));
  r = Cli({"extract", "-", "-o", "out.wav"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(300));
}

TEST_F(CliTest, HelpAndVersion) {
  CliResult r = Cli({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "korimo-cli 1.10\n");
  for (std::vector<std::string> args : {std::vector<std::string>{"--help"}, {"-h"}, {"embed", "--help"}}) {
    r = Cli(args);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("Usage:"), std::string::npos);
    EXPECT_NE(r.out.find("korimo-cli extract CARRIER.bmp -o OUT.wav"), std::string::npos);
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
}  // namespace korimo::test
