// Sealed pictures through korimo-cli. Each sealing or opening derives a key
// with the format's own cost, so one sealed picture serves the whole suite.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Messages.h"
#include "tests/cli/CliFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

const std::string kNotOpened = std::string(msg::kSealedNotOpened) + "\n";
const std::string kName = "小鳥🐦.wav";
const std::string kMemo = "é😀 二行目\nおわり";

class CliSealed : public CliFixture {
 protected:
  static void SetUpTestSuite() {
    // The runner keeps its captures beside the working folder: both inside
    // this suite's own folder.
    dir_ = new TempDir;
    const std::string work = *dir_ / "work/";
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(*dir_ / "tmp");
    WriteFile(work + "image.bmp", MakeBmp(64, 48));
    WriteFile(work + kName, MakeWav(300));
    WriteFile(work + "pw", Bytes{'k', 0xC3, 0xA9, 'y', '\n'});
    sealing_ = RunCli({"embed", "image.bmp", kName, "-o", "s.bmp", "--sealed", "--password-file", "pw", "--memo", kMemo},
                      work, *dir_ / "tmp/");
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override {
    CliFixture::SetUp();
    ASSERT_EQ(sealing_.code, 0) << sealing_.err;
    Write("s.bmp", ReadFile(*dir_ / "work/s.bmp"));
    Write("pw", ReadFile(*dir_ / "work/pw"));
  }
  static inline TempDir* dir_ = nullptr;
  static inline CliResult sealing_;
};

TEST_F(CliSealed, RoundTripKeepsSoundNameAndMemo) {
  CliResult r = Cli({"extract", "s.bmp", "-o", "x.wav", "--memo-out", "m.txt", "--sealed", "--password-file", "pw"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("x.wav")), MakeWav(300));
  EXPECT_EQ(ReadFile(P("m.txt")), Bytes(kMemo.begin(), kMemo.end()));
  r = Cli({"info", "s.bmp", "--sealed", "--password", "k\xC3\xA9y", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"sound\":\"sealed\",\"sound-size\":644,\"sound-name\":\"" + kName +
                       "\",\"memo-bytes\":" + std::to_string(kMemo.size()) +
                       ",\"capacity\":1120,\"sealed-capacity\":1093}"),
            std::string::npos)
      << r.out;
  // Read the ordinary way it is a picture without sound.
  r = Cli({"info", "s.bmp"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("\nsound: none\nsound-size: 0\nsound-name: \nmemo-bytes: 0\n"), std::string::npos) << r.out;
}

enum class Damage { None, FlipUsedBit, CutShort };
struct SealedRefusal {
  const char* label;
  std::string passphrase;
  Damage damage;
};
class CliSealedRefusal : public CliSealed, public ::testing::WithParamInterface<SealedRefusal> {};

TEST_P(CliSealedRefusal, ExitsThreeWithOneMessageAndWritesNothing) {
  Bytes picture = ReadFile(P("s.bmp"));
  const Bytes original = MakeBmp(64, 48);
  if (GetParam().damage == Damage::CutShort) picture.resize(picture.size() - 64 * 3 * 4);
  for (std::size_t i = 54 + 128; GetParam().damage == Damage::FlipUsedBit; ++i)
    if (picture[i] != original[i]) {
      picture[i] ^= 1;
      break;
    }
  Write("s.bmp", picture);
  const CliResult r = Cli({"extract", "s.bmp", "-o", "x.wav", "--memo-out", "m.txt", "--sealed", "--password",
                           GetParam().passphrase});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, kNotOpened);
  EXPECT_FALSE(FileExists(P("x.wav")));
  EXPECT_FALSE(FileExists(P("m.txt")));
}

const SealedRefusal kSealedRefusals[] = {
    {"WrongPassphrase", "key", Damage::None},
    {"FlippedUsedBit", "k\xC3\xA9y", Damage::FlipUsedBit},
    {"CutShort", "k\xC3\xA9y", Damage::CutShort},
};
INSTANTIATE_TEST_SUITE_P(Cases, CliSealedRefusal, ::testing::ValuesIn(kSealedRefusals), ByLabel{});

// Passphrases the format cannot take are refused before anything is read.
TEST_F(CliSealed, UnusablePassphrasesAreRefused) {
  const std::pair<std::string, std::string> cases[] = {
      {"", msg::kPassphraseEmpty},
      {std::string(1025, 'a'), msg::kPassphraseTooLong},
      {"\xFF", msg::kPassphraseNotUtf8},
  };
  for (const auto& [phrase, message] : cases) {
    const CliResult r = Cli({"extract", "s.bmp", "-o", "x.wav", "--sealed", "--password", phrase});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, message + "\n");
    EXPECT_FALSE(FileExists(P("x.wav")));
  }
}

// The sealed capacity decides: a sound a carrier could hold but a sealed
// picture cannot is refused before any key is derived, and nothing is written.
TEST_F(CliSealed, SoundBeyondTheSealedCapacityIsRefused) {
  Write("image.bmp", MakeBmp(64, 48));
  Write(kName, MakeWav(528));  // 1,100 bytes: within 1,120, beyond 1,093 less the name
  const CliResult r =
      Cli({"embed", "image.bmp", kName, "-o", "s2.bmp", "--sealed", "--password-file", "pw"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, std::string(msg::kSoundDoesNotFit) + "\n");
  EXPECT_FALSE(FileExists(P("s2.bmp")));
}

}  // namespace
}  // namespace korimo::test
