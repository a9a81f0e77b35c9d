// Memory running out while the buffers of a load are made: each must end in
// its documented outcome and leave the data intact.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/support/EngineFixture.h"
#include "tests/hardening/ChildProcess.h"

#include "tests/support/Sanitizers.h"

namespace korimo::test {
namespace {

namespace fs = std::filesystem;

class RefusalPathsTest : public EngineTest {};

// Address-space limits cannot work under AddressSanitizer, which reserves
// terabytes of shadow memory up front; those builds leave these tests out.
#ifndef KORIMO_ASAN

// Runs `body` in a child whose address space may grow by `headroom` bytes
// beyond what it uses after `prepare`; returns the child's exit status.
int WithMemoryLimit(const std::function<void()>& prepare, std::size_t headroom, const std::function<int()>& body) {
  return RunInChild([&] {
    prepare();
    std::size_t pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%zu", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    SetSoftLimit(RLIMIT_AS, pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + headroom);
    return body();
  });
}

// A BMP whose data-size field asks for a 256 MB sound area.
Bytes HugeAreaBmp() {
  Bytes b = MakeBmp(40, 30);
  for (int i = 0; i < 4; ++i) b[34 + i] = static_cast<std::uint8_t>(0x7FFFFFFFu >> (8 * i));
  return b;
}

TEST_F(RefusalPathsTest, OutOfMemoryForTheSoundAreaOfAnImage) {
  const std::string path = Put("huge.bmp", HugeAreaBmp());
  const int status = WithMemoryLimit([] {}, 64 << 20, [&] {
    kc::OperationFailed = 0;
    kc::LoadImageData(path);
    // The image itself is loaded; only the sound buffer could not be made.
    return platform.Texts() == Strings{msg::kCannotLoad} && kc::ImageLoaded == 1 && kc::OperationFailed == 0 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(RefusalPathsTest, OutOfMemoryForTheWholeImage) {
  // A sparse 200 MB picture: cheap on disk, too big for the limit.
  Bytes header = MakeBmp(40, 30);
  header.resize(54);
  const std::string path = Put("big.bmp", header);
  fs::resize_file(path, 200u << 20);
  const int status = WithMemoryLimit([] {}, 64 << 20, [&] {
    kc::OperationFailed = 0;
    kc::LoadImageData(path);
    return platform.Texts() == Strings{msg::kCannotLoad} && kc::ImageLoaded == 0 && kc::SoundBytes.size() == 257 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(RefusalPathsTest, OutOfMemoryForTheSoundIsAReadFailure) {
  const std::string image = Put("huge.bmp", HugeAreaBmp());
  const std::string sound = Put("a.wav", MakeWav(100));
  const int status = WithMemoryLimit(
      [&] {
        kc::OperationFailed = 0;
        kc::LoadImageData(image);
        // Without the image's buffer to reuse, the sound load must allocate
        // its own 256 MB area.
        kc::ByteArray().swap(kc::SoundBytes);
      },
      64 << 20,
      [&] {
        if (kc::ImageLoaded != 1 || !platform.messages.empty()) return 2;
        kc::OperationFailed = 0;
        kc::LoadSoundData(sound);
        return platform.Texts() == Strings{msg::kCannotLoad} && kc::SoundLoaded == 0 && kc::OperationFailed == 0 ? 0
                                                                                                              : 1;
      });
  EXPECT_EQ(status, 0);
}

#endif  // KORIMO_ASAN

}  // namespace
}  // namespace korimo::test
