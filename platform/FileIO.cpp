#include "platform/FileIO.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>

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

// ---- Removing names when the process is stopped -----------------------------
//
// A name noted here (a pending file not yet renamed over its target, a
// private temporary folder) is removed when SIGINT, SIGTERM, SIGHUP or
// SIGPIPE ends the process: files first, then folders. The handler only reads
// this fixed table and calls unlink(), rmdir(), sigaction() and raise(), all
// safe inside a signal handler. A signal the program handles or ignores
// itself is left to it: the process goes on.

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr int kNamedSlots = 16;

struct NamedSlot {
  std::atomic<bool> used{false};
  bool folder = false;
  char path[PATH_MAX] = {};
};
NamedSlot g_named[kNamedSlots];
std::mutex g_namedLock;  // guards taking and giving back slots, never the handler

void RemoveNamedAndStop(int sig) {
  for (auto& slot : g_named)
    if (slot.used.load(std::memory_order_acquire) && !slot.folder) ::unlink(slot.path);
  // Folders last noted first: a folder made inside another goes before it.
  for (auto slot = std::rbegin(g_named); slot != std::rend(g_named); ++slot)
    if (slot->used.load(std::memory_order_acquire) && slot->folder) ::rmdir(slot->path);
  // The default action then ends the process as the signal would have: the
  // signal is blocked while this handler runs and arrives again once it returns.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ::sigaction(sig, &byDefault, nullptr);
  ::raise(sig);
}

void InstallStopHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : kStopSignals) {
      struct sigaction current {};
      if (::sigaction(sig, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) ||
          current.sa_handler != SIG_DFL)
        continue;
      struct sigaction handler {};
      handler.sa_handler = RemoveNamedAndStop;
      sigemptyset(&handler.sa_mask);
      ::sigaction(sig, &handler, nullptr);
    }
  });
}

// Holds back the stop signals in this thread for a short stretch (a file being
// named and noted), so that a signal arriving meanwhile finds the note.
class StopSignalsHeld {
 public:
  StopSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int sig : kStopSignals) sigaddset(&held, sig);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~StopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// ---- Writing ------------------------------------------------------------------

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

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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

constexpr int kNameAttempts = 100;

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

// A new named file in `folder`, noted for removal on a stop signal.
int CreateNamed(const std::string& folder, std::string& name) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = PendingName(folder);
    StopSignalsHeld held;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      RemoveWhenStopped(candidate);
      name = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
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

}  // namespace

void RemoveWhenStopped(const std::string& path, bool folder) {
  if (path.size() >= PATH_MAX) return;
  InstallStopHandlers();
  std::lock_guard<std::mutex> lock(g_namedLock);
  for (auto& slot : g_named) {
    if (slot.used.load(std::memory_order_relaxed)) continue;
    slot.folder = folder;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used.store(true, std::memory_order_release);
    return;
  }
}

void KeepWhenStopped(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_namedLock);
  for (auto& slot : g_named)
    if (slot.used.load(std::memory_order_relaxed) && path == slot.path) {
      slot.used.store(false, std::memory_order_release);
      return;
    }
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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

bool PendingFile::Prepare(const std::string& requested, std::size_t size, const Producer& produce) {
  Discard();
  const std::optional<std::string> resolved = ResolveTarget(requested);
  if (!resolved || resolved->empty() || resolved->back() == '/') return false;
  target_ = *resolved;
  folder_ = DirectoryOf(target_);

  mode_t mode;
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists) {
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

  int fd = CreateUnnamed(folder_);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) fd = CreateNamed(folder_, named_);
  if (fd < 0) {
    // The folder takes no new file, but the existing target can still be
    // written where it is.
    if (!exists || (errno != EACCES && errno != EPERM)) return false;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) return false;
    inPlace_ = true;
    // The target is written only by Commit(), and only with bytes known to
    // be complete.
    if (!GatherProduced(gathered_, size, produce)) {
      Discard();
      return false;
    }
    return true;
  }

  bool ok = WriteProduced(fd, size, produce);
  // Owner and group first: changing them clears the set-user-ID and
  // set-group-ID bits that the mode then puts back. Where the process may not
  // give the file away, it still keeps the group when it can.
  if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
      ::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
    // Neither is allowed: the new file belongs to this process's user.
  }
  ok = ok && ::fchmod(fd, mode) == 0;
  ok = ok && ::fsync(fd) == 0;
  if (named_.empty()) {
    fd_ = fd;  // kept open: it is the only way to the unnamed file
  } else {
    ok = (::close(fd) == 0) && ok;
  }
  if (!ok) Discard();
  return ok;
}

bool PendingFile::CommitInPlace() {
  // Overwriting from the front before cutting the length keeps the blocks the
  // old file already holds, so a full disk fails only where the new file is
  // longer.
  bool ok = ::lseek(fd_, 0, SEEK_SET) == 0 && WriteProduced(fd_, gathered_.size(), AllAtOnce(gathered_.data(), gathered_.size()));
  ok = ok && ::ftruncate(fd_, static_cast<off_t>(gathered_.size())) == 0;
  ok = ok && ::fsync(fd_) == 0;
  ok = (::close(fd_) == 0) && ok;
  fd_ = -1;
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
