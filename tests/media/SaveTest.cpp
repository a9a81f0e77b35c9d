// Writing the carrier image: exact contents, and failures that keep the old file.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "platform/PendingFile.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

class SaveTest : public EngineTest {
 protected:
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
  const Strings before = ListTree(tmp.path());
  kc::SaveImageData(tmp / "out.bmp");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(tmp / "out.bmp"), kc::ImageBytes);
  EXPECT_EQ(ListTree(tmp.path()), before);
}

// Targets that cannot be written: each is refused with the message, nothing
// is created or changed beside it, and the working set stays as it was.
struct UnwritableCase {
  const char* label;
  std::function<std::string(const TempDir&)> target;  // prepares and returns it
};

class UnwritableTarget : public SaveTest, public ::testing::WithParamInterface<UnwritableCase> {
 protected:
  // Every regular file below tmp with its contents.
  std::map<std::string, Bytes> Contents() const {
    std::map<std::string, Bytes> files;
    for (const auto& name : ListTree(tmp.path()))
      if (std::filesystem::is_regular_file(std::filesystem::symlink_status(tmp / name))) files[name] = ReadFile(tmp / name);
    return files;
  }
};

TEST_P(UnwritableTarget, KeepsOldFileAndFlag) {
  LoadAndSynthesize();
  const std::string target = GetParam().target(tmp);
  const auto before = Contents();
  const Strings listing = ListTree(tmp.path());
  const Bytes image = kc::ImageBytes;
  kc::SaveImageData(target);
  EXPECT_EQ(platform.Texts(), Strings{msg::kCannotSave});
  EXPECT_EQ(kc::ImageSaved, 0);
  EXPECT_EQ(kc::ImageBytes, image);
  EXPECT_EQ(ListTree(tmp.path()), listing);
  EXPECT_EQ(Contents(), before);
  // The working set is intact: another path works.
  kc::SaveImageData(tmp / "retry.bmp");
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(tmp / "retry.bmp"), image);
}

const UnwritableCase kUnwritable[] = {
    {"ReadOnlyTarget",
     [](const TempDir& t) {
       WriteFile(t / "readonly.bmp", {'o', 'l', 'd'});
       ::chmod((t / "readonly.bmp").c_str(), 0444);
       return t / "readonly.bmp";
     }},
    {"MissingDirectory", [](const TempDir& t) { return t / "no/such/dir/out.bmp"; }},
    {"TargetIsADirectory",
     [](const TempDir& t) {
       ::mkdir((t / "adir").c_str(), 0700);
       return t / "adir";
     }},
    {"LinkToADevice",
     [](const TempDir& t) {
       std::filesystem::create_symlink("/dev/full", t / "full.bmp");
       return t / "full.bmp";
     }},
    // A link that leads nowhere is not written through: the link and the
    // place it points to stay as they were.
    {"DanglingLink",
     [](const TempDir& t) {
       std::filesystem::create_symlink(t / "missing.bmp", t / "link.bmp");
       return t / "link.bmp";
     }},
    {"ParentIsAFile",
     [](const TempDir& t) {
       WriteFile(t / "plain", {'o', 'l', 'd'});
       return t / "plain/out.bmp";
     }},
};
INSTANTIATE_TEST_SUITE_P(Targets, UnwritableTarget, ::testing::ValuesIn(kUnwritable), ByLabel{});

// The pending file's name must not be longer than the target's: names up to
// the file system's 255 bytes save.
struct NameLengthCase {
  const char* label;
  std::size_t length;
};

class LongFileName : public SaveTest, public ::testing::WithParamInterface<NameLengthCase> {};

TEST_P(LongFileName, Saves) {
  LoadAndSynthesize();
  const std::string name = std::string(GetParam().length - 4, 'n') + ".bmp";
  kc::SaveImageData(tmp / name);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(tmp / name), kc::ImageBytes);
  EXPECT_EQ(ListTree(tmp.path()).size(), 3u);  // image, sound and the saved file
}

const NameLengthCase kNameLengths[] = {{"Bytes241", 241}, {"Bytes255", 255}};
INSTANTIATE_TEST_SUITE_P(Names, LongFileName, ::testing::ValuesIn(kNameLengths), ByLabel{});

constexpr uid_t kOtherUser = 65534;  // nobody
constexpr gid_t kOtherGroup = 65534;

// Replacing another user's file as root keeps its owner, group and every
// permission bit, the special ones included.
TEST_F(SaveTest, ReplacedFileKeepsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file away needs root";
  LoadAndSynthesize();
  const std::string target = Put("theirs.bmp", Bytes(10, 1));
  ASSERT_EQ(::chown(target.c_str(), kOtherUser, kOtherGroup), 0);
  ASSERT_EQ(::chmod(target.c_str(), 06751), 0);
  kc::SaveImageData(target);
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(target), kc::ImageBytes);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kOtherUser);
  EXPECT_EQ(st.st_gid, kOtherGroup);
  EXPECT_EQ(st.st_mode & 07777, 06751u);
}

// Runs `body` as a user who may write `file` but may not create anything in
// `folder`: as root in a child that becomes nobody, otherwise after taking the
// folder's write bits away. Returns `body`'s result.
int AsUserWhoCannotCreateIn(const std::string& folder, const std::string& file, const std::function<int()>& body) {
  if (::geteuid() != 0) {
    ::chmod(folder.c_str(), 0555);
    const int result = body();
    ::chmod(folder.c_str(), 0755);
    return result;
  }
  if (::chown(file.c_str(), kOtherUser, kOtherGroup) != 0) return 90;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kOtherGroup) != 0 || ::setuid(kOtherUser) != 0) ::_exit(91);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A folder that takes no new file does not stop a save over a writable file
// in it: the file is written in place. A new file there is still refused.
TEST_F(SaveTest, UnwritableFolderWritesAnExistingTargetInPlace) {
  LoadAndSynthesize();
  const std::string folder = tmp / "locked";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);  // nobody must reach the folder
  const std::string target = folder + "/carrier.bmp";
  WriteFile(target, Bytes(kc::ImageBytes.size() + 5000, 0x77));  // longer: the rest must go

  const int result = AsUserWhoCannotCreateIn(folder, target, [&] {
    platform.Clear();
    kc::SaveImageData(target);
    if (!platform.messages.empty() || kc::ImageSaved != 1) return 1;
    kc::ImageSaved = 0;
    kc::SaveImageData(folder + "/new.bmp");
    return platform.Texts() == Strings{msg::kCannotSave} && kc::ImageSaved == 0 ? 0 : 2;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFile(target), kc::ImageBytes);
  EXPECT_EQ(std::filesystem::directory_iterator(folder)->path().filename(), "carrier.bmp");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

// Bytes handed over in parts (a picture streamed from its file): the new file
// holds exactly them, whether a new file is made or the target is written in
// place; a producer that fails or gives other than the announced size leaves
// the target as it was, in place too (the parts are gathered before the
// target is touched).
struct ProducerCase {
  const char* label;
  std::size_t given;  // bytes handed over, of the announced kStreamed
  bool fails;         // after the first part
  bool succeeds;
  std::size_t room = 0;  // where set, the disk is full after this many bytes of a file
};

// Runs `body` with files limited to `room` bytes (a full disk as a write sees
// it), or unlimited for 0.
bool WithRoom(std::size_t room, const std::function<bool()>& body) {
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto previous = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = saved;
  if (room > 0) limit.rlim_cur = room;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const bool result = body();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);
  return result;
}

constexpr std::size_t kStreamed = 9 * 1024 * 1024 + 17;  // parts cross the 4 MB write-back slices

class StreamedSave : public SaveTest, public ::testing::WithParamInterface<ProducerCase> {};

TEST_P(StreamedSave, WritesAllOrNothing) {
  Bytes bytes(kStreamed + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
  const ProducerCase c = GetParam();
  const fileio::Producer produce = [&](const fileio::PartWriter& write) {
    constexpr std::size_t kPart = 1024 * 1024 + 3;
    for (std::size_t at = 0; at < c.given; at += kPart) {
      if (c.fails && at > 0) return false;
      if (!write(bytes.data() + at, std::min(kPart, c.given - at))) return false;
    }
    return true;
  };
  const std::string folder = tmp / "folder";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);  // nobody must reach the folder
  const std::string target = folder + "/carrier.bmp";
  const Bytes old(100, 0x11);
  const Bytes expected = c.succeeds ? Bytes(bytes.begin(), bytes.begin() + kStreamed) : old;

  WriteFile(target, old);
  EXPECT_EQ(WithRoom(c.room, [&] { return fileio::WriteFileAtomically(target, kStreamed, produce); }), c.succeeds);
  EXPECT_EQ(ReadFile(target), expected);

  WriteFile(target, old);
  const int inPlace = AsUserWhoCannotCreateIn(folder, target, [&] {
    // Every refusal comes before the commit, so that a command with two
    // outputs can still leave both as they were.
    fileio::PendingFile file;
    const bool prepared = WithRoom(c.room, [&] { return file.Prepare(target, kStreamed, produce); });
    return prepared == c.succeeds && (!prepared || file.Commit()) ? 0 : 1;
  });
  EXPECT_EQ(inPlace, 0);
  EXPECT_EQ(ReadFile(target), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(Producers, StreamedSave,
                         ::testing::Values(ProducerCase{"AllParts", kStreamed, false, true},
                                           ProducerCase{"FailsAfterOnePart", kStreamed, true, false},
                                           ProducerCase{"OneByteShort", kStreamed - 1, false, false},
                                           ProducerCase{"OneByteTooMany", kStreamed + 1, false, false},
                                           ProducerCase{"DiskFullHalfway", kStreamed, false, false, kStreamed / 2}),
                         ByLabel{});

// Replacing a file keeps its permission bits, the set-user-ID, set-group-ID
// and sticky bits included, also when the save does not run as root.
struct ModeCase {
  const char* label;
  mode_t mode;
};

class SaveKeepsMode : public SaveTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(SaveKeepsMode, OfTheReplacedFile) {
  LoadAndSynthesize();
  const std::string target = Put("out.bmp", Bytes(10, 0x77));
  ASSERT_EQ(::chmod(target.c_str(), GetParam().mode), 0);
  kc::SaveImageData(target);
  EXPECT_EQ(kc::ImageSaved, 1);
  EXPECT_EQ(ReadFile(target), kc::ImageBytes);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(Modes, SaveKeepsMode,
                         ::testing::Values(ModeCase{"SetUserId04755", 04755}, ModeCase{"SetGroupId02664", 02664},
                                           ModeCase{"Sticky01644", 01644}, ModeCase{"OwnerOnly0600", 0600}),
                         ByLabel{});

}  // namespace
}  // namespace korimo::test
