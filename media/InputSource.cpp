#include "media/InputSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/FileIO.h"

namespace korimo::media {

InputSource::Opened FileSource::Open() {
  Close();
  fd_ = fileio::OpenForRead(path_);
  if (fd_ >= 0) return Opened::Ok;
  return errno == ENOENT ? Opened::Missing : Opened::Failed;
}

bool FileSource::Rewind() { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }

std::optional<std::size_t> FileSource::Length() { return fileio::FileLength(fd_); }

long long FileSource::Read(void* buffer, std::size_t size) { return fileio::ReadUpTo(fd_, buffer, size); }

int FileSource::Duplicate() { return fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1; }

void FileSource::Close() {
  fileio::Close(fd_);
  fd_ = -1;
}

long long MemorySource::Read(void* buffer, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size() - at_);
  if (n > 0) std::memcpy(buffer, bytes_.data() + at_, n);
  at_ += n;
  return static_cast<long long>(n);
}

}  // namespace korimo::media
