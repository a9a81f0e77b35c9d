// Inputs the loaders cannot open or must not read: a missing file, a
// directory, FIFOs, devices, and files larger than the formats' 32-bit size
// fields. Each is refused at once, before anything is read, and the state a
// refusal must keep is kept. How each kind of path fails to open is the file
// layer's own contract (tests/platform/FileIOTest.cpp); here every kind of
// path the loaders may tell apart goes through both loaders.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

enum class Shape { Missing, Directory, ThroughAFile, LinkLoop, Fifo, Device, Oversized, LargestAllowed };

struct UnopenableCase {
  const char* label;
  Shape shape;
  Strings picture;  // loaded as the picture
  Strings sound;    // loaded as the sound; empty: accepted
};

constexpr off_t kLargestInput = 0x7FFFFFFF;
const Strings kReadFailure{msg::kCannotLoad, msg::kCannotRead};

class UnopenableInput : public EngineTest, public ::testing::WithParamInterface<UnopenableCase> {
 protected:
  // A sparse file of `length` bytes starting with `head`: no disk, no memory.
  std::string Sparse(const std::string& name, const Bytes& head, off_t length) {
    const std::string path = Put(name, head);
    EXPECT_EQ(::truncate(path.c_str(), length), 0);
    return path;
  }

  std::string Make(bool image) {
    const Bytes head = image ? MakeBmp(64, 64) : MakeWav(200);
    switch (GetParam().shape) {
      case Shape::Missing: return tmp / "missing";
      case Shape::Directory: {
        const std::string path = tmp / "dir";
        EXPECT_EQ(::mkdir(path.c_str(), 0700), 0);
        return path;
      }
      case Shape::ThroughAFile: return Put("plain", Bytes{1}) + "/x";
      case Shape::LinkLoop: {
        const std::string path = tmp / "loop";
        EXPECT_EQ(::symlink(path.c_str(), path.c_str()), 0);
        return path;
      }
      case Shape::Fifo: {
        const std::string path = tmp / "fifo";
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
      }
      case Shape::Device: return "/dev/zero";
      case Shape::Oversized: return Sparse("big", head, kLargestInput + 1);
      case Shape::LargestAllowed: return Sparse("largest", head, kLargestInput);
    }
    return {};
  }

  // Runs a load that a wrong implementation would block in; after a while
  // the FIFO gets a writer so that the load can end and the test fail.
  void WithoutBlocking(const std::string& path, const std::function<void()>& load) {
    auto done = std::async(std::launch::async, load);
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the load waits on " << path;
      const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
    }
    done.wait();
  }
};

class UnopenablePicture : public UnopenableInput {};
class UnopenableSound : public UnopenableInput {};

// Refused with nothing loaded (no file appears, no picture), then with a
// picture loaded (that picture stays).
TEST_P(UnopenablePicture, IsRefusedAndTheLoadedOneKept) {
  const std::string path = Make(true);
  const Strings before = ListTree(tmp.path());
  WithoutBlocking(path, [&] { LoadImage(path); });
  EXPECT_EQ(platform.Texts(), GetParam().picture);
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::ImageLoaded, 0);
  EXPECT_EQ(ListTree(tmp.path()), before);

  LoadImage(MakeBmp(200, 100));
  ASSERT_EQ(kc::ImageLoaded, 1);
  const Bytes picture = kc::ImageBytes;
  platform.Clear();
  WithoutBlocking(path, [&] { LoadImage(path); });
  EXPECT_EQ(platform.Texts(), GetParam().picture);
  EXPECT_EQ(kc::OperationFailed, 1);
  EXPECT_EQ(kc::ImageLoaded, 1);
  EXPECT_EQ(kc::ImageBytes, picture);
}

TEST_P(UnopenableSound, IsRefusedOrLoadedAtTheLimit) {
  LoadImage(MakeBmp(200, 100));
  ASSERT_EQ(kc::ImageLoaded, 1);
  platform.Clear();
  const std::string path = Make(false);
  WithoutBlocking(path, [&] { LoadSound(path); });
  if (GetParam().sound.empty()) {
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(kc::SoundLoaded, 1);
    EXPECT_EQ(kc::SoundSize, 444);
  } else {
    ExpectSoundReadFailure(GetParam().sound);
  }
}

const UnopenableCase kUnopenable[] = {
    // Only as a picture: a missing sound is refused as a file with wrong tags
    // are (WavLoadTest).
    {"Missing", Shape::Missing, {msg::kCannotRead}, {}},
    {"Directory", Shape::Directory, kReadFailure, {msg::kCannotLoad}},
    {"ThroughARegularFile", Shape::ThroughAFile, kReadFailure, {msg::kCannotLoad}},
    {"SymbolicLinkLoop", Shape::LinkLoop, kReadFailure, {msg::kCannotLoad}},
    {"Fifo", Shape::Fifo, kReadFailure, {msg::kCannotLoad}},
    {"Device", Shape::Device, kReadFailure, {msg::kCannotLoad}},
    {"Over2GiB", Shape::Oversized, kReadFailure, {msg::kCannotLoad}},
    {"LargestAllowed", Shape::LargestAllowed, {}, {}},  // only as a sound: a picture is read whole
};
INSTANTIATE_TEST_SUITE_P(Paths, UnopenablePicture, ::testing::ValuesIn(std::begin(kUnopenable), std::end(kUnopenable) - 1),
                         ByLabel{});
INSTANTIATE_TEST_SUITE_P(Paths, UnopenableSound, ::testing::ValuesIn(std::begin(kUnopenable) + 1, std::end(kUnopenable)),
                         ByLabel{});

}  // namespace
}  // namespace korimo::test
