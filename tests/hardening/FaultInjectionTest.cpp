// Faults from outside: a full disk or a file-size limit while saving, a
// temporary directory that is missing, is a file or vanishes, and files that
// shrink or disappear between the header read and the whole-file read. The
// user's files must survive every one of them, and the outcome must be the
// documented one with its message.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/PendingFile.h"
#include "tests/support/EngineFixture.h"
#include "tests/hardening/ChildProcess.h"
#include "tests/hardening/OpenInterposer.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

namespace fs = std::filesystem;

// Names in a directory, sorted.
Strings Listing(const std::string& dir) {
  Strings out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// A 64 KiB tmpfs for the test's lifetime; root only, so it may be unavailable.
class SmallTmpfs {
 public:
  explicit SmallTmpfs(const std::string& dir) : dir_(dir) {
    ::mkdir(dir.c_str(), 0700);
    mounted_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallTmpfs() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string dir_;
  bool mounted_ = false;
};

// Runs `body` in a child process whose files may grow to `limit` bytes at most
// (writes past it fail with EFBIG instead of killing the process). Returns the
// child's exit status.
int WithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  return RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    SetSoftLimit(RLIMIT_FSIZE, limit);
    return body();
  });
}

class FaultTest : public EngineTest {
 protected:
  // A carrier ready to save: 160 x 120 (57600 data bytes) with sound and memo.
  void PrepareCarrier() {
    LoadImage(MakeBmp(160, 120));
    ASSERT_EQ(kc::ImageLoaded, 1);
    LoadSound(MakeWav(2000));
    ASSERT_EQ(kc::SoundLoaded, 1);
    PutMemo("メモ");
    Synthesize("pw");
    ASSERT_EQ(kc::OperationFailed, 0);
    ASSERT_EQ(kc::ImageSaved, 0);
    platform.Clear();
  }
  // The outcome every failed save must have: one message, nothing marked as
  // saved, and the old target exactly as it was.
  void ExpectSaveFailed(const std::string& target, const std::optional<Bytes>& old) {
    EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSave});
    EXPECT_EQ(kc::ImageSaved, 0);
    if (old) {
      ASSERT_TRUE(FileExists(target));
      EXPECT_EQ(ReadFile(target), *old);
    }
  }
};

// ---- Saving --------------------------------------------------------------

TEST_F(FaultTest, DiskFullWhileSavingKeepsTheOldTarget) {
  SmallTmpfs disk(tmp / "small");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  PrepareCarrier();
  const std::string target = tmp / "small/carrier.bmp";
  const Bytes old(20000, 0x5A);
  WriteFile(target, old);

  kc::SaveImageData(target);
  ExpectSaveFailed(target, old);
  EXPECT_EQ(Listing(tmp / "small"), Strings{"carrier.bmp"}) << "a partial file was left behind";

  // Room again: the same working set saves completely.
  fs::remove(target);
  platform.Clear();
  kc::ImageBytes.resize(40000);
  kc::SaveImageData(target);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(ReadFile(target), kc::ImageBytes);
}

TEST_F(FaultTest, FileSizeLimitWhileSavingKeepsTheOldTarget) {
  PrepareCarrier();
  const std::string target = tmp / "carrier.bmp";
  const Bytes old(3000, 0xA5);
  WriteFile(target, old);

  // The child reports through its exit status: 0 = the save failed with the
  // message and without marking the image saved.
  const int status = WithFileSizeLimit(16384, [&] {
    platform.Clear();
    kc::SaveImageData(target);
    return platform.Texts() == Strings{msg::kCannotSave} && kc::ImageSaved == 0 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Listing(tmp.path()), (Strings{"a.wav", "carrier.bmp", "image.bmp"}));
}

// A preparation that fails halfway removes its new file at once, not only
// when the pending file goes away: a command holding it while it reports the
// failure leaves nothing beside the target. Where the file system makes no
// unnamed files the new file has a name, and that name must go.
struct PendingKindCase {
  const char* label;
  bool unnamedRefused;
};

class FailedPreparation : public FaultTest, public ::testing::WithParamInterface<PendingKindCase> {
 protected:
  void TearDown() override {
    OpenInterposer::RefuseUnnamedFiles(false);
    FaultTest::TearDown();
  }
};

TEST_P(FailedPreparation, LeavesNoFileWhileHeld) {
  const std::string target = tmp / "out.wav";
  WriteFile(target, Bytes(10, 1));
  const Bytes data(64 * 1024, 0x42);
  OpenInterposer::RefuseUnnamedFiles(GetParam().unnamedRefused);
  const int status = WithFileSizeLimit(16384, [&] {
    fileio::PendingFile pending;
    if (pending.Prepare(target, data.data(), data.size())) return 1;
    return Listing(tmp.path()) == Strings{"out.wav"} ? 0 : 2;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(target), Bytes(10, 1));
}

const PendingKindCase kPendingKinds[] = {{"UnnamedFile", false}, {"NamedFile", true}};
INSTANTIATE_TEST_SUITE_P(FileSystems, FailedPreparation, ::testing::ValuesIn(kPendingKinds), ByLabel{});

// ---- The temporary sound file ----------------------------------------------

class TempDirFaultTest : public FaultTest {
 protected:
  void PrepareCarrierWithoutPassword() {
    LoadImage(MakeBmp(160, 120));
    LoadSound(MakeWav(2000));
    Synthesize("");
    ASSERT_EQ(kc::OperationFailed, 0);
    kc::SaveImageData(carrier);
    ASSERT_EQ(kc::ImageSaved, 1);
  }
  void ExpectNoSound(const std::string& tempDir) {
    EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSaveTemp});
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_EQ(kc::Synthesized, 0);
    EXPECT_TRUE(platform.played.empty());
    EXPECT_FALSE(FileExists(tempDir + "temp.wav") && fs::is_regular_file(tempDir + "temp.wav"));
  }
  const std::string carrier = tmp / "carrier.bmp";
};

TEST_F(TempDirFaultTest, FullDiskForTheTempFile) {
  SmallTmpfs disk(tmp / "small");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  // 800 x 300 pixels: a sound area of 90 kB, more than the 64 KiB disk holds.
  LoadImage(MakeBmp(800, 300));
  LoadSound(MakeWav(2000));
  Synthesize("");
  kc::SaveImageData(carrier);
  ASSERT_EQ(kc::ImageSaved, 1);
  kc::ResetWorkData();
  kc::TempDir = tmp / "small/";
  platform.Clear();
  LoadImage(carrier);
  Extract();
  ExpectNoSound(tmp / "small/");
  EXPECT_TRUE(Listing(tmp / "small").empty()) << "a partial temp.wav was left behind";
}

TEST_F(TempDirFaultTest, FileSizeLimitForTheTempFile) {
  PrepareCarrierWithoutPassword();
  const int status = WithFileSizeLimit(4096, [&] {
    kc::ResetWorkData();
    kc::TempDir = tmp.path();
    platform.Clear();
    LoadImage(carrier);
    Extract();
    const bool ok = platform.Texts() == Strings{msg::kCannotSaveTemp} && kc::SoundLoaded == 0 &&
                    kc::Synthesized == 0 && !FileExists(TempWav());
    return ok ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

// ---- Files that change between the header and the whole read ---------------
//
// The loaders open a file once. A file cut short meanwhile is a read failure;
// a path removed or replaced meanwhile still names the file that was opened,
// which loads as it was.

struct ShrinkCase {
  const char* label;
  std::function<void(const std::string&)> change;
  bool opened = false;  // only the path changed: the opened file loads
};

const ShrinkCase kShrinkCases[] = {
    {"TruncatedToNothing", [](const std::string& p) { fs::resize_file(p, 0); }},
    {"TruncatedInsideTheHeader", [](const std::string& p) { fs::resize_file(p, 10); }},
    {"TruncatedToHalf", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) / 2); }},
    {"CutByOneByte", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) - 1); }},
    {"Removed", [](const std::string& p) { fs::remove(p); }, true},
    {"ReplacedByADirectory",
     [](const std::string& p) {
       fs::remove(p);
       fs::create_directory(p);
     },
     true},
};

class ShrinkTest : public FaultTest {
 protected:
  void TearDown() override {
    OpenInterposer::Disarm();
    FaultTest::TearDown();
  }
  // Counts the opens of `path` and runs `change` between its header read and
  // its whole read (the third length taken).
  static void ChangeBeforeTheWholeRead(const std::string& path, std::function<void()> change) {
    OpenInterposer::Arm(path, 1000, nullptr);
    OpenInterposer::ArmLength(path, 3, std::move(change));
  }
};

class FileChangingBetweenReads : public ShrinkTest, public ::testing::WithParamInterface<ShrinkCase> {};

TEST_P(FileChangingBetweenReads, ImageIsAReadFailure) {
  const std::string path = tmp / "shrinking.bmp";
  const Bytes bmp = MakeBmp(64, 48);
  WriteFile(path, bmp);
  kc::Redim(kc::SoundBytes, 10);
  ChangeBeforeTheWholeRead(path, [&] { GetParam().change(path); });
  LoadImage(path);
  EXPECT_EQ(OpenInterposer::Opens(), 1) << "the loader opens the file more than once";
  EXPECT_GE(OpenInterposer::Lengths(), 3) << "the change never came";
  if (GetParam().opened) {
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(kc::ImageLoaded, 1);
    EXPECT_EQ(kc::ImageBytes, bmp);
    return;
  }
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
  EXPECT_EQ(kc::ImageLoaded, 0);
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_EQ(kc::ImageDataSize, 0);
  EXPECT_EQ(kc::ImageFileSize, 0);
  EXPECT_EQ(kc::ImageBitCount, 0);
  EXPECT_EQ(kc::SoundAreaSize, 0);
  EXPECT_EQ(kc::SoundBytes, Bytes(257, 0));
}

TEST_P(FileChangingBetweenReads, SoundIsAReadFailure) {
  LoadImage(MakeBmp(160, 120));
  LoadSound(MakeWav(1000), "prev.wav");
  PutMemo("前のメモ");
  ASSERT_EQ(kc::SoundLoaded, 1);
  const std::string path = tmp / "shrinking.wav";
  const Bytes wav = MakeWav(3000);
  WriteFile(path, wav);
  platform.Clear();
  ChangeBeforeTheWholeRead(path, [&] { GetParam().change(path); });
  LoadSound(path);
  EXPECT_EQ(OpenInterposer::Opens(), 1);
  EXPECT_GE(OpenInterposer::Lengths(), 3);
  if (GetParam().opened) {
    EXPECT_EQ(platform.Texts(), Strings{msg::kReplaceSound});
    EXPECT_EQ(kc::SoundLoaded, 1);
    EXPECT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
    return;
  }
  ExpectSoundReadFailure({msg::kReplaceSound, msg::kCannotLoad});
}

INSTANTIATE_TEST_SUITE_P(Changes, FileChangingBetweenReads, ::testing::ValuesIn(kShrinkCases), ByLabel{});

// A picture that shrinks after its length was taken is a read failure, not
// a picture with the previous picture's bytes at its end.
TEST_F(ShrinkTest, ImageShorterThanItsLengthIsAReadFailure) {
  LoadImage(MakeBmp(64, 48, 32));  // memory the next picture may be read over
  const std::string path = tmp / "short.bmp";
  WriteFile(path, MakeBmp(64, 40, 32));
  OpenInterposer::OverstateLength(path, 100);
  LoadImage(path);
  OpenInterposer::OverstateLength({}, 0);
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
  EXPECT_EQ(kc::ImageLoaded, 0);
}

// A file that grows between the reads is read as it was measured first for
// the sound (its chunk size decides) and whole for the image.
TEST_F(ShrinkTest, GrowingFilesStillLoad) {
  const std::string image = tmp / "grow.bmp";
  const Bytes bmp = MakeBmp(64, 48);
  WriteFile(image, bmp);
  ChangeBeforeTheWholeRead(image, [&] { WriteFile(image, Concat(bmp, Bytes(100, 7))); });
  LoadImage(image);
  EXPECT_EQ(kc::ImageLoaded, 1);
  EXPECT_EQ(kc::ImageBytes.size(), bmp.size() + 100);

  LoadImage(MakeBmp(160, 120));
  const std::string sound = tmp / "grow.wav";
  const Bytes wav = MakeWav(500);
  WriteFile(sound, wav);
  ChangeBeforeTheWholeRead(sound, [&] { WriteFile(sound, Concat(wav, Bytes(100, 7))); });
  LoadSound(sound);
  EXPECT_EQ(kc::SoundLoaded, 1);
  EXPECT_EQ(kc::SoundSize, static_cast<kc::Long>(wav.size()));
  EXPECT_TRUE(std::equal(wav.begin(), wav.end(), kc::SoundBytes.begin()));
  EXPECT_TRUE(platform.messages.empty());
}

}  // namespace
}  // namespace korimo::test
