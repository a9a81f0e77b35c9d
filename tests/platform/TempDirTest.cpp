// Where the window's temporary sound file goes: TEMP, else a private folder
// of this user, never one that someone else controls.
#include "platform/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

namespace korimo::test {
namespace {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"TEMP", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"}) {
      const char* value = std::getenv(name);
      saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
  }
  TempDir dir;
  const std::string appDir = "/opt/korimo/bin/";

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(TempDirTest, TempWinsAndGetsItsSlash) {
  setenv("TEMP", "/var/tmp", 1);
  setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(platform::ChooseTempDir(appDir), "/var/tmp/");
}

TEST_F(TempDirTest, RuntimeFolderIsMadePrivate) {
  setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(platform::ChooseTempDir(appDir), dir / "korimo/");
  EXPECT_EQ(ModeOf(dir / "korimo") & 07777, 0700u);
  // An existing folder of ours that others may enter is closed up.
  for (const mode_t open : {0777, 0707, 0770}) {
    ASSERT_EQ(chmod((dir / "korimo").c_str(), open), 0);
    EXPECT_EQ(platform::ChooseTempDir(appDir), dir / "korimo/");
    EXPECT_EQ(ModeOf(dir / "korimo") & 07777, 0700u) << std::oct << open;
  }
}

TEST_F(TempDirTest, LinkedOrForeignRuntimeFolderFallsBackToTheCache) {
  const std::string runtime = dir / "run";
  const std::string elsewhere = dir / "elsewhere";
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  ASSERT_EQ(symlink(elsewhere.c_str(), (runtime + "/korimo").c_str()), 0);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("HOME", dir.path().c_str(), 1);
  EXPECT_EQ(platform::ChooseTempDir(appDir), dir / ".cache/korimo/");
  EXPECT_EQ(ModeOf(dir / ".cache/korimo") & 07777, 0700u);

  if (geteuid() == 0) {
    // Another user's folder (made so by root) is refused too.
    const std::string cache = dir / "cache";
    ASSERT_EQ(mkdir(cache.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((cache + "/korimo").c_str(), 0700), 0);
    ASSERT_EQ(chown((cache + "/korimo").c_str(), 65534, 65534), 0);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    EXPECT_EQ(platform::ChooseTempDir(appDir), appDir);
  }
}

TEST_F(TempDirTest, ProgramFolderOnlyWhenNothingElseCanBeMade) {
  setenv("XDG_RUNTIME_DIR", (dir / "missing/run").c_str(), 1);
  setenv("XDG_CACHE_HOME", (dir / "missing/cache").c_str(), 1);
  EXPECT_EQ(platform::ChooseTempDir(appDir), appDir);
}

}  // namespace
}  // namespace korimo::test
