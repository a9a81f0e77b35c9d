#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace korimo::fileio {

int OpenForRead(const std::string& path) {
  // Non-blocking, so that a FIFO without a writer cannot hold up the open;
  // no controlling terminal taken from a terminal device.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  int refusal = 0;
  if (::fstat(fd, &st) != 0)
    refusal = errno;
  else if (S_ISDIR(st.st_mode))
    refusal = EISDIR;
  else if (!S_ISREG(st.st_mode))
    refusal = EINVAL;  // a FIFO, socket or device: its reads may never end
  else if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxInputBytes)
    refusal = EFBIG;
  if (refusal != 0) {
    ::close(fd);
    errno = refusal;
    return -1;
  }
  // Reads of a regular file never wait anyway; blocking mode keeps them whole.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::optional<std::size_t> FileLength(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return std::nullopt;
  return static_cast<std::size_t>(st.st_size);
}

long long ReadUpTo(int fd, void* buffer, std::size_t size) {
  auto* p = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

void Close(int fd) {
  if (fd >= 0) ::close(fd);
}

bool ReadExactlyAt(int fd, void* buffer, std::size_t size, std::size_t offset) {
  auto* to = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(fd, to, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    to += n;
    offset += static_cast<std::size_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

WholeFile ReadWholeFile(const std::string& path, std::size_t limit) {
  WholeFile file;
  const int fd = OpenForRead(path);
  if (fd < 0) return file;
  const auto length = FileLength(fd);
  if (length && *length > limit) {
    file.status = WholeFile::Status::TooLong;
    Close(fd);
    return file;
  }
  // Memory for what the file holds now, plus the one byte that tells whether
  // it grew since: a file still growing is read on, in steps, to one byte
  // past the limit. Never memory for the limit itself (up to 2 GB).
  std::string bytes;
  std::size_t done = 0;
  std::size_t want = std::min(limit, length.value_or(0)) + 1;
  try {
    for (;;) {
      bytes.resize(want);
      const long long n = ReadUpTo(fd, bytes.data() + done, want - done);
      if (n < 0) break;
      done += static_cast<std::size_t>(n);
      if (done > limit) {
        file.status = WholeFile::Status::TooLong;
        break;
      }
      if (done < want) {
        bytes.resize(done);
        file.bytes = std::move(bytes);
        file.status = WholeFile::Status::Read;
        break;
      }
      want = std::min(limit + 1, want + std::max<std::size_t>(want, 64 * 1024));
    }
  } catch (const std::bad_alloc&) {
    file.status = WholeFile::Status::Unreadable;
  }
  Close(fd);
  return file;
}

namespace {

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modifiedSeconds = st.st_mtim.tv_sec;
  id.modifiedNanoseconds = st.st_mtim.tv_nsec;
  return id;
}

}  // namespace

bool CreateExclusive(const std::string& path, const std::uint8_t* data, std::size_t size, FileIdentity* written) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data, size);
  struct stat st;
  ok = ok && ::fstat(fd, &st) == 0;
  if (ok && written) *written = IdentityOf(st);
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

std::optional<FileIdentity> IdentifyRegularFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::optional<FileIdentity> id;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) id = IdentityOf(st);
  ::close(fd);
  return id;
}

}  // namespace korimo::fileio
