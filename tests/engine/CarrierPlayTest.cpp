// The play-from-carrier step plays only the sound this process took out of
// the current carrier: a temporary file replaced, planted, linked or made a
// FIFO by someone else is never played, and a locked sound asks again.
#include <sys/stat.h>
#include <unistd.h>

#include "commands/Commands.h"
#include "tests/support/EngineFixture.h"

namespace korimo::test {
namespace {

class CarrierPlayTest : public EngineTest {
 protected:
  // Opens a carrier holding `wav`, protected by `password` when it is not empty.
  void OpenCarrier(const std::string& password) {
    wav = MakeWav(400);
    CarrierSpec carrier;
    carrier.area = Concat(wav, Bytes(4, 0));
    carrier.soundSize = static_cast<std::uint32_t>(wav.size());
    carrier.password = password;
    Open(BuildCarrier(MakeBmp(64, 64), carrier));
  }
  Bytes SoundInTempWav() const {
    Bytes b = ReadFile(TempWav());
    b.resize(std::min(b.size(), wav.size()));
    return b;
  }
  Bytes wav;
};

TEST_F(CarrierPlayTest, TheExtractedFileIsPlayedAsItIs) {
  OpenCarrier("");
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Ready);
  EXPECT_EQ(kc::SoundPath, TempWav());
  EXPECT_EQ(SoundInTempWav(), wav);
}

TEST_F(CarrierPlayTest, AReplacedFileIsTakenOutAgain) {
  OpenCarrier("");
  const Bytes planted = MakeWav(100, 8);
  for (const char* how : {"replaced", "rewritten", "link", "fifo"}) {
    SCOPED_TRACE(how);
    const std::string other = tmp / "other.wav";
    WriteFile(other, planted);
    ASSERT_EQ(unlink(TempWav().c_str()), 0);
    if (std::string(how) == "replaced") {
      ASSERT_EQ(rename(other.c_str(), TempWav().c_str()), 0);
    } else if (std::string(how) == "rewritten") {
      WriteFile(TempWav(), wav);  // same bytes, but not the file this process wrote
    } else if (std::string(how) == "link") {
      ASSERT_EQ(symlink(other.c_str(), TempWav().c_str()), 0);
    } else {
      ASSERT_EQ(mkfifo(TempWav().c_str(), 0600), 0);  // opening it must not wait
    }
    EXPECT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Extracted);
    EXPECT_EQ(kc::Synthesized, 1);
    EXPECT_EQ(SoundInTempWav(), wav);
    EXPECT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Ready);
  }
}

TEST_F(CarrierPlayTest, ALockedSoundAsksAgainAndNeverPlaysAPlantedFile) {
  platform.passwords = {std::string("wrong")};
  OpenCarrier("pw");
  ASSERT_EQ(kc::Synthesized, 2);
  const std::string planted = TempWav();
  WriteFile(planted, MakeWav(100));  // another program's file under the fixed name

  platform.passwords = {std::nullopt};
  EXPECT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Extracted);
  EXPECT_EQ(platform.passwordDialogs, 2);
  EXPECT_EQ(kc::Synthesized, 2);
  EXPECT_EQ(ReadFile(planted), MakeWav(100));  // kept, and not played

  platform.passwords = {std::string("pw")};
  EXPECT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Extracted);
  EXPECT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(SoundInTempWav(), wav);
}

// A temp.wav this process did not write is never removed, by opening a
// carrier, playing it or clearing: the sound goes to a private folder instead.
TEST_F(CarrierPlayTest, AForeignFileUnderTheNameIsKept) {
  const std::string shared = TempWav();
  const Bytes precious{'p', 'r', 'e'};
  WriteFile(shared, precious);
  OpenCarrier("");
  ASSERT_EQ(kc::Synthesized, 1);
  EXPECT_EQ(TempWav(), tmp / "korimo/temp.wav");
  EXPECT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Ready);
  EXPECT_EQ(SoundInTempWav(), wav);
  struct stat st {};
  ASSERT_EQ(::stat((tmp / "korimo").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  commands::Clear();
  EXPECT_FALSE(FileExists(tmp / "korimo/temp.wav"));
  EXPECT_EQ(ReadFile(shared), precious);
}

// A carrier's sound replaced by another and synthesized again: the play
// step takes out the new sound, never the old temp.wav.
TEST_F(CarrierPlayTest, ASoundReplacedAndSynthesizedIsTheOneThatPlays) {
  OpenCarrier("");
  ASSERT_EQ(commands::PrepareCarrierSound(), commands::CarrierSoundOutcome::Ready);
  const Bytes replacement = MakeWav(300, 8);
  WriteFile(tmp / "new.wav", replacement);
  platform.answers = {platform::Answer::Yes};  // replace the sound the picture carries
  ASSERT_EQ(commands::OpenSound(tmp / "new.wav"), commands::SoundOutcome::Opened);
  platform.passwords = {std::string()};
  ASSERT_EQ(commands::Synthesize(msg::kLoadBothToSynthesize), commands::SynthesisOutcome::Done);
  commands::PrepareCarrierSound();
  wav = replacement;
  EXPECT_EQ(SoundInTempWav(), replacement);
}

}  // namespace
}  // namespace korimo::test
