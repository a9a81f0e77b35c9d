// Failure paths that ordinary use rarely reaches: paths that cannot be opened
// for reasons other than absence, memory running out while the buffers are
// made, texts too long to count, and a memo allowance that overstates the
// room. Each must end in its documented outcome and leave the data intact.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/engine/EngineFixture.h"
#include "tests/hardening/ChildProcess.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORIMO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORIMO_ASAN 1
#endif
#endif

namespace korimo::test {
namespace {

namespace fs = std::filesystem;

// Paths whose open() fails with something other than "no such file".
struct BadPath {
  const char* name;
  std::function<std::string(const TempDir&)> make;
};
const BadPath kBadPaths[] = {
    {"through a regular file (ENOTDIR)",
     [](const TempDir& t) {
       WriteFile(t / "plain", Bytes{1});
       return t / "plain/x";
     }},
    {"symbolic link loop (ELOOP)",
     [](const TempDir& t) {
       fs::create_symlink(t / "loop", t / "loop");
       return t / "loop";
     }},
};

class RefusalPathsTest : public EngineTest {};

TEST_F(RefusalPathsTest, UnopenableImageIsALoadErrorAndARefusal) {
  for (const auto& c : kBadPaths) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    kc::ResetWorkData();
    platform.Clear();
    LoadImage(c.make(dir));
    EXPECT_EQ(platform.Texts(), (Strings{msg::kCannotLoad, msg::kCannotRead}));
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(kc::ImageLoaded, 0);
  }
}

TEST_F(RefusalPathsTest, UnopenableSoundIsAReadFailure) {
  LoadImage(MakeBmp(100, 50));
  for (const auto& c : kBadPaths) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    platform.Clear();
    LoadSound(c.make(dir));
    EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
    EXPECT_EQ(kc::OperationFailed, 0);
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_EQ(kc::SoundSize, 0);
  }
}

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
        std::vector<kc::Byte>().swap(kc::SoundBytes);
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

// Texts too long to count in 16 bits stop synthesis before it writes anything.
TEST_F(RefusalPathsTest, UncountableHeaderTextsLeaveTheImageAlone) {
  LoadImage(MakeBmp(100, 50));
  LoadSound(MakeWav(100));
  ASSERT_EQ(kc::SoundLoaded, 1);
  const Bytes before = kc::ImageBytes;
  const std::string soundPath = kc::SoundPath;
  struct Case {
    const char* name;
    std::string password, soundPath;
  };
  const Case cases[] = {
      {"password of 40000 bytes", std::string(40000, 'p'), soundPath},
      {"sound name of 40000 bytes", "", tmp / std::string(40000, 'n')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kc::SoundPath = c.soundPath;
    Synthesize(c.password);
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(kc::ImageBytes, before);
    EXPECT_EQ(kc::ImageSaved, 1);
  }
}

// PutMemo trusts no allowance: a record that would run past the sound area is
// refused even when MemoCapacity claims room for it.
TEST_F(RefusalPathsTest, MemoPastTheAreaIsRefusedWhateverTheAllowance) {
  LoadImage(MakeBmp(30, 20));
  LoadSound(MakeWav(60));
  ASSERT_EQ(kc::SoundLoaded, 1);
  const Bytes before = kc::SoundBytes;
  kc::MemoCapacity = 32767;
  kc::PutMemo(std::string(kc::SoundBytes.size(), 'm'), "text.txt");
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(platform.Texts(), Strings{msg::kMemoTooLong});
  EXPECT_EQ(kc::SoundBytes, before);
  EXPECT_EQ(kc::MemoText, "");
}

}  // namespace
}  // namespace korimo::test
