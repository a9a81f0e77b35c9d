// A save stopped by a signal, and what a finished save leaves for a crash: the
// pending file never outlives the process, and the folder holding the new
// name is synced after the rename.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/PendingFile.h"
#include "platform/StopCleanup.h"
#include "tests/support/EngineFixture.h"
#include "tests/hardening/ChildProcess.h"
#include "tests/hardening/OpenInterposer.h"
#include "tests/hardening/SyncInterposer.h"

namespace korimo::test {
namespace {

namespace fs = std::filesystem;

Strings Listing(const std::string& dir) {
  Strings out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

class SaveInterruptionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    LoadImage(MakeBmp(160, 120));
    LoadSound(MakeWav(2000));
    Synthesize();
    ASSERT_EQ(kc::OperationFailed, 0);
    ::mkdir(folder.c_str(), 0700);
    WriteFile(target, old);
  }
  void TearDown() override {
    SyncInterposer::Stop();
    OpenInterposer::RefuseUnnamedFiles(false);
    EngineTest::TearDown();
  }
  const std::string folder = tmp / "out";
  const std::string target = folder + "/carrier.bmp";
  const Bytes old = Bytes(3000, 0x5A);
};

TEST_F(SaveInterruptionTest, FolderIsSyncedAfterTheRename) {
  bool folderSynced = false;
  SyncInterposer::Watch([&](const std::string& path) {
    if (fs::path(path) == fs::path(folder) && ReadFile(target) == kc::ImageBytes) folderSynced = true;
  });
  kc::SaveImageData(target);
  SyncInterposer::Stop();
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_TRUE(folderSynced);
}

struct StopCase {
  const char* label;
  int signal;
  bool unnamedFiles;  // the file system can make a file without a name
};

class SaveStoppedBySignal : public SaveInterruptionTest, public ::testing::WithParamInterface<StopCase> {};

// The signal arrives when the whole new file is written and about to be
// synced: the old target stays, and nothing else is left in the folder.
TEST_P(SaveStoppedBySignal, LeavesOnlyTheOldTarget) {
  const StopCase& c = GetParam();
  const int status = RunInChild([&] {
    SetSoftLimit(RLIMIT_CORE, 0);  // the signals that dump core leave no core file
    OpenInterposer::RefuseUnnamedFiles(!c.unnamedFiles);
    SyncInterposer::Watch([&](const std::string& path) {
      if (path.find(folder) == 0 && path != folder) ::raise(c.signal);
    });
    kc::SaveImageData(target);
    return 0;
  });
  EXPECT_EQ(status, 128 + c.signal) << "the signal no longer ends the process";
  EXPECT_EQ(Listing(folder), Strings{"carrier.bmp"});
  EXPECT_EQ(ReadFile(target), old);
}

INSTANTIATE_TEST_SUITE_P(Signals, SaveStoppedBySignal,
                         ::testing::Values(StopCase{"Interrupt", SIGINT, true}, StopCase{"Terminate", SIGTERM, true},
                                           StopCase{"HangUp", SIGHUP, true},
                                           StopCase{"InterruptWithoutUnnamedFiles", SIGINT, false},
                                           StopCase{"TerminateWithoutUnnamedFiles", SIGTERM, false},
                                           StopCase{"HangUpWithoutUnnamedFiles", SIGHUP, false},
                                           StopCase{"QuitWithoutUnnamedFiles", SIGQUIT, false},
                                           StopCase{"FileSizeWithoutUnnamedFiles", SIGXFSZ, false},
                                           StopCase{"User1WithoutUnnamedFiles", SIGUSR1, false},
                                           StopCase{"AbortWithoutUnnamedFiles", SIGABRT, false}),
                         [](const auto& info) { return std::string(info.param.label); });

// A folder that takes no new file: the target is written in place, and a stop
// signal arriving after its first 4 MB waits until the new contents are
// whole, then still ends the process.
TEST_F(SaveInterruptionTest, StopSignalWaitsForAnInPlaceWrite) {
  LoadImage(MakeBmp(1400, 1100));
  LoadSound(MakeWav(2000));
  Synthesize();
  ASSERT_EQ(kc::OperationFailed, 0);
  ASSERT_GT(kc::ImageBytes.size(), 4u << 20);
  const bool root = ::geteuid() == 0;
  ::chmod(tmp.path().c_str(), 0755);
  ::chmod(folder.c_str(), root ? 0755 : 0555);
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  }
  const int status = RunInChild([&] {
    if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 90;
    SyncInterposer::Watch([&](const std::string& path) {
      if (path == target) ::raise(SIGINT);
    });
    kc::SaveImageData(target);
    return 0;
  });
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(status, 128 + SIGINT);
  EXPECT_EQ(Listing(folder), Strings{"carrier.bmp"});
  EXPECT_EQ(ReadFile(target), kc::ImageBytes);
}

// A private folder noted for removal goes with its contents when a signal
// ends the process, and stays once it is kept again.
TEST_F(SaveInterruptionTest, NotedFolderGoesWithTheProcess) {
  const std::string scratch = tmp / "scratch";
  const int status = RunInChild([&] {
    ::mkdir(scratch.c_str(), 0700);
    WriteFile(scratch + "/temp.wav", Bytes(10, 1));
    fileio::RemoveWhenStopped(scratch + "/temp.wav");
    fileio::RemoveWhenStopped(scratch, /*folder=*/true);
    ::raise(SIGPIPE);
    return 0;
  });
  EXPECT_EQ(status, 128 + SIGPIPE);
  EXPECT_FALSE(fs::exists(scratch));

  const int kept = RunInChild([&] {
    ::mkdir(scratch.c_str(), 0700);
    fileio::RemoveWhenStopped(scratch, /*folder=*/true);
    fileio::KeepWhenStopped(scratch);
    ::raise(SIGTERM);
    return 0;
  });
  EXPECT_EQ(kept, 128 + SIGTERM);
  EXPECT_TRUE(fs::exists(scratch));
}

}  // namespace
}  // namespace korimo::test
