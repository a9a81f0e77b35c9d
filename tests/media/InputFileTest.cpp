// Inputs that are no ordinary picture or sound file: FIFOs, devices,
// directories, and files larger than the formats' 32-bit size fields. Each
// is refused at once, before anything is read, as an unreadable file is.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <ostream>

#include "tests/support/EngineFixture.h"

namespace korimo::test {
namespace {

enum class Shape { Fifo, Device, Directory, Oversized, LargestAllowed };

struct InputCase {
  const char* name;
  Shape shape;
  bool image;     // loaded as the picture, else as the sound
  bool accepted;  // LargestAllowed sounds are loaded
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

constexpr off_t kLargestInput = 0x7FFFFFFF;

class UnusualInput : public EngineTest, public ::testing::WithParamInterface<InputCase> {
 protected:
  // A sparse file of `length` bytes starting with `head`: no disk, no memory.
  std::string Sparse(const std::string& name, const Bytes& head, off_t length) {
    const std::string path = Put(name, head);
    EXPECT_EQ(::truncate(path.c_str(), length), 0);
    return path;
  }

  std::string Make(Shape shape, bool image) {
    const Bytes head = image ? MakeBmp(64, 64) : MakeWav(200);
    switch (shape) {
      case Shape::Fifo: {
        const std::string path = tmp / "fifo";
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
      }
      case Shape::Device: return "/dev/zero";
      case Shape::Directory: {
        const std::string path = tmp / "dir";
        EXPECT_EQ(::mkdir(path.c_str(), 0700), 0);
        return path;
      }
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

TEST_P(UnusualInput, IsRefusedAtOnceAsUnreadable) {
  const InputCase& c = GetParam();
  // The state a refusal must keep: a picture already loaded.
  LoadImage(MakeBmp(200, 100));
  ASSERT_EQ(kc::ImageLoaded, 1);
  const Bytes picture = kc::ImageBytes;
  platform.Clear();
  const std::string path = Make(c.shape, c.image);
  if (c.image) {
    WithoutBlocking(path, [&] { LoadImage(path); });
    EXPECT_EQ(platform.Texts(), (Strings{msg::kCannotLoad, msg::kCannotRead}));
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(kc::ImageLoaded, 1);
    EXPECT_EQ(kc::ImageBytes, picture);
  } else {
    WithoutBlocking(path, [&] { LoadSound(path); });
    if (c.accepted) {
      EXPECT_TRUE(platform.messages.empty());
      EXPECT_EQ(kc::SoundLoaded, 1);
      EXPECT_EQ(kc::SoundSize, 444);
    } else {
      EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
      EXPECT_EQ(kc::SoundLoaded, 0);
      EXPECT_EQ(kc::SoundSize, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusualInput,
    ::testing::Values(InputCase{"FifoAsPicture", Shape::Fifo, true, false},
                      InputCase{"DeviceAsPicture", Shape::Device, true, false},
                      InputCase{"DirectoryAsPicture", Shape::Directory, true, false},
                      InputCase{"PictureOver2GiB", Shape::Oversized, true, false},
                      InputCase{"FifoAsSound", Shape::Fifo, false, false},
                      InputCase{"DeviceAsSound", Shape::Device, false, false},
                      InputCase{"DirectoryAsSound", Shape::Directory, false, false},
                      InputCase{"SoundOver2GiB", Shape::Oversized, false, false},
                      InputCase{"SoundOfLargestSize", Shape::LargestAllowed, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korimo::test
