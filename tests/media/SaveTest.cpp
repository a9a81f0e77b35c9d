// Writing the carrier image: exact contents, and failures that keep the old file.
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "tests/engine/EngineFixture.h"

namespace korimo::test {
namespace {

class SaveTest : public EngineTest {
 protected:
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(tmp.path()))
      names.insert(e.path().lexically_relative(tmp.path()).string());
    return names;
  }
  void LoadAndSynthesize() {
    LoadImage(source);
    LoadSound(MakeWav(50));
    Synthesize();
    ASSERT_EQ(kc::OperationFailed, 0);
    ASSERT_EQ(kc::ImageSaved, 0);
  }
  const Bytes source = MakeBmp(31, 17);  // odd width: padded rows
};

TEST_F(SaveTest, WithoutImageNothingIsWritten) {
  kc::ImageSaved = 0;
  kc::SaveImageData(tmp / "out.bmp");
  EXPECT_EQ(platform.Texts(), Strings{msg::kNoImageToSave});
  EXPECT_EQ(kc::ImageSaved, 0);
  EXPECT_FALSE(FileExists(tmp / "out.bmp"));
}

TEST_F(SaveTest, UnchangedImageSavesIdentically) {
  LoadImage(source);
  kc::SaveImageData(tmp / "copy.bmp");
  EXPECT_EQ(ReadFile(tmp / "copy.bmp"), source);
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_TRUE(platform.messages.empty());
}

// An existing longer file is replaced, not overwritten from the front, and
// no temporary file is left beside it.
TEST_F(SaveTest, LongerExistingFileEndsUpAsImageBytes) {
  LoadAndSynthesize();
  Put("out.bmp", Bytes(50000, 0x77));
  const auto before = Listing();
  kc::SaveImageData(tmp / "out.bmp");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(tmp / "out.bmp"), kc::ImageBytes);
  EXPECT_EQ(Listing(), before);
}

TEST_F(SaveTest, FailedSaveKeepsOldFileAndFlag) {
  const Bytes old = {'o', 'l', 'd'};
  struct Case { const char* what; std::string target; };
  const Case cases[] = {
      {"read-only target", tmp / "readonly.bmp"},
      {"missing directory", tmp / "nodir/out.bmp"},
      {"target is a directory", tmp / "adir"},
  };
  LoadAndSynthesize();
  Put("readonly.bmp", old);
  ASSERT_EQ(::chmod((tmp / "readonly.bmp").c_str(), 0444), 0);
  ASSERT_EQ(::mkdir((tmp / "adir").c_str(), 0700), 0);
  const auto before = Listing();
  const Bytes image = kc::ImageBytes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform.Clear();
    kc::SaveImageData(c.target);
    EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSave});
    EXPECT_EQ(kc::ImageSaved, 0);
    EXPECT_EQ(kc::ImageBytes, image);
    EXPECT_EQ(Listing(), before);
  }
  EXPECT_EQ(ReadFile(tmp / "readonly.bmp"), old);
  // The working set is intact: another path works.
  kc::SaveImageData(tmp / "retry.bmp");
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(tmp / "retry.bmp"), image);
}

}  // namespace
}  // namespace korimo::test
