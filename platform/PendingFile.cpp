#include "platform/PendingFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

#include "platform/FileIO.h"
#include "platform/StopCleanup.h"

namespace korimo::fileio {

namespace {

// Writes in slices and asks the system to start writing each slice to disk
// at once, so that the disk works while the next slice is copied and the
// final fsync waits only for the tail instead of the whole file. The slices
// do not depend on the sizes of the parts `produce` hands over. True when it
// gave exactly `size` bytes.
constexpr std::size_t kSyncSlice = 4 * 1024 * 1024;

bool WriteProduced(int fd, std::size_t size, const Producer& produce) {
  std::size_t done = 0;
  std::size_t unhinted = 0;  // start of the bytes written since the last hint
  const bool ok = produce([&](const std::uint8_t* data, std::size_t n) {
    if (n > size - done) return false;
    while (n > 0) {
      const std::size_t k = std::min(n, kSyncSlice - (done - unhinted));
      if (!WriteAll(fd, data, k)) return false;
      data += k;
      n -= k;
      done += k;
      if (done - unhinted == kSyncSlice || done == size) {
#if defined(SYNC_FILE_RANGE_WRITE)
        // Only a hint; a write-back error still surfaces in the fsync.
        ::sync_file_range(fd, static_cast<off_t>(unhinted), static_cast<off_t>(done - unhinted), SYNC_FILE_RANGE_WRITE);
#endif
        unhinted = done;
      }
    }
    return true;
  });
  return ok && done == size;
}

Producer AllAtOnce(const std::uint8_t* data, std::size_t size) {
  return [data, size](const PartWriter& write) { return write(data, size); };
}

// Gathers what `produce` hands over into `bytes`; true when it gave exactly `size` bytes.
bool GatherProduced(std::vector<std::uint8_t>& bytes, std::size_t size, const Producer& produce) {
  bytes.clear();
  try {
    bytes.reserve(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const bool ok = produce([&](const std::uint8_t* data, std::size_t n) {
    if (n > size - bytes.size()) return false;
    bytes.insert(bytes.end(), data, data + n);
    return true;
  });
  return ok && bytes.size() == size;
}

// The file a path really names: symbolic links resolved, so the new file is
// written beside the link's target and the link itself survives. A link that
// leads nowhere (or round in a loop) names no file to write through.
std::optional<std::string> ResolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return std::nullopt;
  std::string resolved = real;
  std::free(real);
  return resolved;
}

// A short hidden name for the pending file, so that a target name of up to
// 255 bytes still leaves room for it.
std::string PendingName(const std::string& folder) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char random[6];
  if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
    static std::atomic<unsigned> counter{0};
    const unsigned mix = static_cast<unsigned>(::getpid()) * 2654435761u + counter.fetch_add(1) * 40503u +
                         static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&mix));
    for (std::size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(mix >> (4 * i));
  }
  std::string name = folder + "/.korimo-";
  for (unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
  return name;
}

constexpr int kNameAttempts = 100;  // names tried for the link of an unnamed file

// A new file without a name in `folder`, or -1. errno tells why: EOPNOTSUPP,
// EISDIR or EINVAL where the file system or the system cannot make one.
int CreateUnnamed(const std::string& folder) {
#if defined(O_TMPFILE)
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  // Naming it later goes through /proc; without it the file could never be
  // put in place.
  if (::access("/proc/self/fd", X_OK) != 0) {
    ::close(fd);
    errno = EOPNOTSUPP;
    return -1;
  }
  return fd;
#else
  errno = EOPNOTSUPP;
  return -1;
#endif
}

// A new named file in `folder` (exclusive, owner-only, never through a
// link), noted for removal on a stop signal.
int CreateNamed(const std::string& folder, std::string& name) {
  std::string candidate = folder + "/.korimo-XXXXXX";
  StopSignalsHeld held;
  const int fd = ::mkostemp(candidate.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  RemoveWhenStopped(candidate);
  name = candidate;
  return fd;
}

// Gives the unnamed file `fd` a name in `folder`, noted like a named one.
bool NameUnnamed(int fd, const std::string& folder, std::string& name) {
  const std::string source = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = PendingName(folder);
    StopSignalsHeld held;
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      RemoveWhenStopped(candidate);
      name = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// Makes a rename in `folder` durable. File systems that cannot sync a folder
// (EINVAL) keep the rename as well as they can; a write-back error is a failure.
bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;
  const bool ok = ::fsync(fd) == 0 || (errno != EIO && errno != ENOSPC && errno != EDQUOT);
  ::close(fd);
  return ok;
}

// Reserves disk space for growing the open file `fd` from `oldSize` to
// `size` bytes without changing what it holds, so that a full disk or the
// process's file size limit refuses an in-place write before its first byte.
// Where the file system cannot reserve without changing the length, the file
// is lengthened with zeros and `extended` is set: the caller cuts it back
// unless the write follows.
bool ReserveInPlace(int fd, std::size_t oldSize, std::size_t size, bool& extended) {
  extended = false;
  if (size <= oldSize) return true;
  struct rlimit limit;
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur) {
    errno = EFBIG;
    return false;
  }
  const auto from = static_cast<off_t>(oldSize);
  const auto length = static_cast<off_t>(size - oldSize);
  if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, from, length) == 0) return true;
  if (errno != EOPNOTSUPP) return false;
  if (::posix_fallocate(fd, from, length) != 0) {
    const int ignored = ::ftruncate(fd, from);
    (void)ignored;
    return false;
  }
  extended = true;
  return true;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  if (fd_ >= 0) {
    // An in-place target that was lengthened for the write that did not come
    // gets its old length back.
    if (extendedFrom_) {
      const int ignored = ::ftruncate(fd_, static_cast<off_t>(*extendedFrom_));
      (void)ignored;
    }
    ::close(fd_);
  }
  fd_ = -1;
  extendedFrom_.reset();
  if (!named_.empty()) {
    ::unlink(named_.c_str());
    KeepWhenStopped(named_);
  }
  named_.clear();
  inPlace_ = false;
  std::vector<std::uint8_t>().swap(gathered_);
}

bool PendingFile::Prepare(const std::string& requested, const std::uint8_t* data, std::size_t size) {
  return Prepare(requested, size, AllAtOnce(data, size));
}

namespace {

// What the target is before it is replaced.
struct TargetState {
  bool exists = false;
  struct stat st {};
  mode_t mode = 0;  // the mode the new file gets
};

// The target's state, or nothing when it may not be replaced: an existing
// target that is read-only (no write bit set, checked on the bits so that the
// refusal holds for root too) or not a regular file.
std::optional<TargetState> InspectTarget(const std::string& target) {
  TargetState t;
  t.exists = ::stat(target.c_str(), &t.st) == 0;
  if (t.exists) {
    if (!S_ISREG(t.st.st_mode) || (t.st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
      return std::nullopt;
    t.mode = t.st.st_mode & 07777;
  } else {
    if (errno != ENOENT) return std::nullopt;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    t.mode = 0666 & ~mask;
  }
  return t;
}

// Gives the new file `fd` the old target's owner, group and mode. Owner and
// group first: changing them clears the set-user-ID and set-group-ID bits
// that the mode then puts back. Where the process may not give the file away,
// it still keeps the group when it can; where neither is allowed, the new
// file belongs to this process's user.
bool TakeOverOwnership(int fd, const TargetState& t) {
  if (t.exists && (t.st.st_uid != ::geteuid() || t.st.st_gid != ::getegid()) &&
      ::fchown(fd, t.st.st_uid, t.st.st_gid) != 0) {
    const int ignored = ::fchown(fd, static_cast<uid_t>(-1), t.st.st_gid);
    (void)ignored;
  }
  return ::fchmod(fd, t.mode) == 0;
}

}  // namespace

bool PendingFile::Prepare(const std::string& requested, std::size_t size, const Producer& produce) {
  Discard();
  const std::optional<std::string> resolved = ResolveTarget(requested);
  if (!resolved || resolved->empty() || resolved->back() == '/') return false;
  target_ = *resolved;
  folder_ = DirectoryOf(target_);
  const std::optional<TargetState> target = InspectTarget(target_);
  if (!target) return false;

  int fd = CreateUnnamed(folder_);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) fd = CreateNamed(folder_, named_);
  if (fd < 0) {
    // The folder takes no new file, but the existing target can still be
    // written where it is.
    if (!target->exists || (errno != EACCES && errno != EPERM)) return false;
    return PrepareInPlace(static_cast<std::size_t>(target->st.st_size), size, produce);
  }

  bool ok = WriteProduced(fd, size, produce) && TakeOverOwnership(fd, *target) && ::fsync(fd) == 0;
  if (named_.empty()) {
    fd_ = fd;  // kept open: it is the only way to the unnamed file
  } else {
    ok = (::close(fd) == 0) && ok;
  }
  if (!ok) Discard();
  return ok;
}

bool PendingFile::PrepareInPlace(std::size_t oldSize, std::size_t size, const Producer& produce) {
  fd_ = ::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0) return false;
  inPlace_ = true;
  // The target is written only by Commit(), and only with bytes known to be
  // complete and room for them reserved.
  bool extended = false;
  if (!GatherProduced(gathered_, size, produce) || !ReserveInPlace(fd_, oldSize, size, extended)) {
    Discard();
    return false;
  }
  if (extended) extendedFrom_ = oldSize;
  return true;
}

bool PendingFile::CommitInPlace() {
  const std::size_t size = gathered_.size();
  bool ok;
  {
    // A stop signal waits until the new contents are whole. (SIGKILL and a
    // power loss cannot be held: unlike a new file renamed into place, an
    // in-place write is not safe against them.) Overwriting from the front
    // keeps the blocks the old file already holds; the rest was reserved.
    StopSignalsHeld held;
    ok = ::lseek(fd_, 0, SEEK_SET) == 0 && WriteProduced(fd_, size, AllAtOnce(gathered_.data(), size));
    ok = ok && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
    ok = ok && ::fsync(fd_) == 0;
  }
  ok = (::close(fd_) == 0) && ok;
  fd_ = -1;
  extendedFrom_.reset();  // the new length stands, whatever happened
  Discard();
  return ok;
}

bool PendingFile::Commit() {
  if (inPlace_) return CommitInPlace();
  if (fd_ < 0 && named_.empty()) return false;
  if (fd_ >= 0) {
    const bool named = NameUnnamed(fd_, folder_, named_);
    ::close(fd_);
    fd_ = -1;
    if (!named) {
      Discard();
      return false;
    }
  }
  if (::rename(named_.c_str(), target_.c_str()) != 0) {
    Discard();
    return false;
  }
  KeepWhenStopped(named_);
  named_.clear();
  return SyncFolder(folder_);
}

bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size) {
  return WriteFileAtomically(path, size, AllAtOnce(data, size));
}

bool WriteFileAtomically(const std::string& path, std::size_t size, const Producer& produce) {
  PendingFile file;
  return file.Prepare(path, size, produce) && file.Commit();
}

}  // namespace korimo::fileio
