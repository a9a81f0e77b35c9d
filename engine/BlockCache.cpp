#include "engine/BlockCache.h"

#include <algorithm>

#include "platform/FileIO.h"

namespace Korimocom {

BlockCache::BlockCache(int fd, std::size_t size) : fd_(fd), size_(size), present_((size + kBlock - 1) / kBlock) {}

BlockCache::~BlockCache() { korimo::fileio::Close(fd_); }

void BlockCache::MarkPresent(std::size_t first, std::size_t end) {
  std::fill(present_.begin() + static_cast<std::ptrdiff_t>(first), present_.begin() + static_cast<std::ptrdiff_t>(end),
            true);
}

void BlockCache::Read(Byte* out, std::size_t from, std::size_t to) const {
  if (!korimo::fileio::ReadExactlyAt(fd_, out, to - from, from)) throw ImageReadFailure();
}

}  // namespace Korimocom
