// The file layer's own contract: opening inputs without waiting, whole-file
// reads to a limit, the identity of a file, the exclusive create of the
// temporary sound, and a replacement that keeps the old file's owner and group.
#include "platform/FileIO.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/PendingFile.h"
#include "tests/support/NamedCases.h"
#include "tests/support/TestFiles.h"

namespace korimo::test {
namespace {

using Status = fileio::WholeFile::Status;

struct WholeReadCase {
  const char* label;
  std::function<std::string(const TempDir&)> make;  // the path to read
  Status status;
  int openError;  // errno of OpenForRead (ENOENT: no such file), 0 when it opens
};

constexpr std::size_t kLimit = 1000;

std::string FileOf(const TempDir& t, std::size_t size) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7);
  WriteFile(t / "f", b);
  return t / "f";
}

class WholeRead : public ::testing::TestWithParam<WholeReadCase> {};

// A file is read whole up to and including the limit, and never waited on;
// opening tells a missing file from one that cannot be read, and refuses
// what is no regular file or larger than an input can be at once.
TEST_P(WholeRead, ReadsUpToTheLimit) {
  TempDir t;
  const std::string path = GetParam().make(t);
  errno = 0;
  const int fd = fileio::OpenForRead(path);
  EXPECT_EQ(fd >= 0 ? 0 : errno, GetParam().openError);
  fileio::Close(fd);
  const fileio::WholeFile file = fileio::ReadWholeFile(path, kLimit);
  EXPECT_EQ(file.status, GetParam().status);
  if (file.status == Status::Read) {
    EXPECT_EQ(Bytes(file.bytes.begin(), file.bytes.end()), ReadFile(path));
  }
}

// A sparse file of `length` bytes: no disk, no memory.
std::string SparseOf(const TempDir& t, off_t length) {
  WriteFile(t / "sparse", Bytes{1});
  EXPECT_EQ(::truncate((t / "sparse").c_str(), length), 0);
  return t / "sparse";
}

constexpr off_t kLargestInput = static_cast<off_t>(fileio::kMaxInputBytes);

const WholeReadCase kWholeReads[] = {
    {"Empty", [](const TempDir& t) { return FileOf(t, 0); }, Status::Read, 0},
    {"ExactlyTheLimit", [](const TempDir& t) { return FileOf(t, kLimit); }, Status::Read, 0},
    {"OneByteOver", [](const TempDir& t) { return FileOf(t, kLimit + 1); }, Status::TooLong, 0},
    {"LargestInput", [](const TempDir& t) { return SparseOf(t, kLargestInput); }, Status::TooLong, 0},
    {"OverTheLargestInput", [](const TempDir& t) { return SparseOf(t, kLargestInput + 1); }, Status::Unreadable, EFBIG},
    {"Missing", [](const TempDir& t) { return t / "missing"; }, Status::Unreadable, ENOENT},
    {"InMissingDirectory", [](const TempDir& t) { return t / "nodir/x"; }, Status::Unreadable, ENOENT},
    {"Directory", [](const TempDir& t) { return t.path(); }, Status::Unreadable, EISDIR},
    {"ThroughARegularFile",
     [](const TempDir& t) {
       WriteFile(t / "plain", Bytes{1});
       return t / "plain/x";
     },
     Status::Unreadable, ENOTDIR},
    {"SymbolicLinkLoop",
     [](const TempDir& t) {
       ::symlink((t / "loop").c_str(), (t / "loop").c_str());
       return t / "loop";
     },
     Status::Unreadable, ELOOP},
    {"FifoWithoutWriter",
     [](const TempDir& t) {
       ::mkfifo((t / "fifo").c_str(), 0600);
       return t / "fifo";
     },
     Status::Unreadable, EINVAL},
    {"Device", [](const TempDir&) { return std::string("/dev/zero"); }, Status::Unreadable, EINVAL},
};
INSTANTIATE_TEST_SUITE_P(Files, WholeRead, ::testing::ValuesIn(kWholeReads), ByLabel{});

// The temporary sound: a new owner-only file whose identity tells it from any
// file put under its name later; an existing name or a link is refused.
TEST(FileIdentityTest, ExclusiveCreateAndIdentity) {
  TempDir t;
  const Bytes bytes{1, 2, 3};
  fileio::FileIdentity written;
  ASSERT_TRUE(fileio::CreateExclusive(t / "temp.wav", bytes.data(), bytes.size(), &written));
  struct stat st {};
  ASSERT_EQ(::stat((t / "temp.wav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(fileio::IdentifyRegularFile(t / "temp.wav"), written);
  EXPECT_FALSE(fileio::CreateExclusive(t / "temp.wav", bytes.data(), bytes.size()));

  ASSERT_EQ(::unlink((t / "temp.wav").c_str()), 0);
  WriteFile(t / "temp.wav", bytes);  // the same bytes, another file
  EXPECT_NE(fileio::IdentifyRegularFile(t / "temp.wav"), written);

  ASSERT_EQ(::symlink((t / "target").c_str(), (t / "link").c_str()), 0);
  EXPECT_FALSE(fileio::CreateExclusive(t / "link", bytes.data(), bytes.size()));
  EXPECT_FALSE(FileExists(t / "target"));
  EXPECT_EQ(fileio::IdentifyRegularFile(t / "link"), std::nullopt);
}

// Replacing a file of this user that belongs to another group keeps the group.
TEST(PendingFileTest, ReplacementKeepsTheGroupOfAnOwnFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file another group needs root";
  TempDir t;
  WriteFile(t / "carrier.bmp", Bytes(10, 1));
  ASSERT_EQ(::chown((t / "carrier.bmp").c_str(), ::geteuid(), 65534), 0);
  const Bytes bytes(20, 2);
  ASSERT_TRUE(fileio::WriteFileAtomically(t / "carrier.bmp", bytes.data(), bytes.size()));
  struct stat st {};
  ASSERT_EQ(::stat((t / "carrier.bmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(ReadFile(t / "carrier.bmp"), bytes);
}

}  // namespace
}  // namespace korimo::test
