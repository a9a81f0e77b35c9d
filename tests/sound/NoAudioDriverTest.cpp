// Run with an SDL_AUDIODRIVER that does not exist: SDL's audio cannot start,
// and the service must say so for every request instead of failing silently.

#include <gtest/gtest.h>

#include "platform/sdl/SoundService.h"
#include "tests/sound/SoundFixtures.h"

namespace korimo::soundtest {
namespace {

using platform::PlayResult;

TEST(NoAudioDriverTest, EveryRequestReportsTheServiceUnavailable) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  WriteAll(dir / "a.wav", MakePcmWav(Bytes(800, 0x90), 8, 8000));

  // Asked twice: a failed start is retried, and fails the same way.
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(sound::PlayWavFile(dir / "a.wav"), PlayResult::ServiceUnavailable);
    EXPECT_EQ(sound::PlayWavFile(dir / "missing.wav"), PlayResult::ServiceUnavailable);
    EXPECT_EQ(sound::QueuedBytes(), 0u);
  }
  sound::Shutdown();
  sound::Shutdown();
}

}  // namespace
}  // namespace korimo::soundtest
