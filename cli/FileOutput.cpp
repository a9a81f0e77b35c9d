#include "cli/FileOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

namespace korimo::cli {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

namespace {

// The directory part of a path, for creating the temporary file beside it.
std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// A symbolic link is followed, so the new file goes beside the link's target
// and the link itself survives, as with the carrier BMP.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string resolved = real;
      std::free(real);
      return resolved;
    }
  }
  return path;
}

mode_t DefaultMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

PendingFile::~PendingFile() { Discard(); }

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::exchange(other.temp_, {})) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    Discard();
    target_ = std::move(other.target_);
    temp_ = std::exchange(other.temp_, {});
  }
  return *this;
}

void PendingFile::Discard() {
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

bool PendingFile::Prepare(const std::string& target, std::string_view data) {
  Discard();
  target_ = ResolveTarget(target);
  if (target_.empty() || target_.back() == '/') return false;

  // An existing target keeps its permissions. One that is not a regular file
  // or is read-only (no write bit at all, which also holds for root) is
  // refused rather than silently replaced.
  mode_t mode = DefaultMode();
  struct stat st {};
  if (stat(target_.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || access(target_.c_str(), W_OK) != 0) return false;
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }

  std::string temp = DirectoryOf(target_) + "/." + NameOf(target_) + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  temp_ = temp;
  bool ok = WriteAll(fd, data) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (!ok) Discard();
  return ok;
}

bool PendingFile::Commit() {
  if (temp_.empty()) return false;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    Discard();
    return false;
  }
  temp_.clear();
  return true;
}

}  // namespace korimo::cli
