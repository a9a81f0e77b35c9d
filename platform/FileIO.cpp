#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

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
  } else {
    // The length is only what the file held at the open: a file still growing,
    // or one that does not report its length, is read to one byte past the limit.
    std::string bytes(limit + 1, '\0');
    const long long n = ReadUpTo(fd, bytes.data(), bytes.size());
    if (n > static_cast<long long>(limit)) {
      file.status = WholeFile::Status::TooLong;
    } else if (n >= 0) {
      bytes.resize(static_cast<std::size_t>(n));
      file.bytes = std::move(bytes);
      file.status = WholeFile::Status::Read;
    }
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

namespace {


// Writes in slices and asks the system to start writing each slice to disk
// at once, so that the disk works while the next slice is copied and the
// final fsync waits only for the tail instead of the whole file.
bool WriteAndSync(int fd, const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kSlice = 4 * 1024 * 1024;
  for (std::size_t done = 0; done < size;) {
    const std::size_t n = std::min(kSlice, size - done);
    if (!WriteAll(fd, data + done, n)) return false;
#if defined(SYNC_FILE_RANGE_WRITE)
    // Only a hint; a write-back error still surfaces in the fsync.
    ::sync_file_range(fd, static_cast<off_t>(done), static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
#endif
    done += n;
  }
  return true;
}

// The file a path really names: symbolic links resolved, so the new file is
// written beside the link's target and the link itself survives.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string resolved = real;
      std::free(real);
      return resolved;
    }
  }
  return path;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool PendingFile::Prepare(const std::string& requested, const std::uint8_t* data, std::size_t size) {
  Discard();
  target_ = ResolveTarget(requested);
  if (target_.empty() || target_.back() == '/') return false;

  mode_t mode;
  struct stat st;
  if (::stat(target_.c_str(), &st) == 0) {
    // The read-only attribute is the absence of every write bit; checking the
    // bits (not only access()) keeps the refusal when running as root.
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0) return false;
    mode = st.st_mode & 07777;
  } else {
    if (errno != ENOENT) return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  const std::string baseName = target_.substr(target_.find_last_of('/') + 1);
  std::string temp = DirectoryOf(target_) + "/." + baseName + ".korimo-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  temp_ = temp;
  bool ok = WriteAndSync(fd, data, size);
  ok = ok && ::fchmod(fd, mode) == 0;
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) Discard();
  return ok;
}

bool PendingFile::Commit() {
  if (temp_.empty()) return false;
  const bool ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) Discard();
  temp_.clear();
  return ok;
}

bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size) {
  PendingFile file;
  return file.Prepare(path, data, size) && file.Commit();
}

}  // namespace korimo::fileio
