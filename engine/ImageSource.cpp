#include "engine/ImageSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "engine/Korimocom.h"

namespace Korimocom {

namespace {

constexpr std::size_t kBlock = 4 * 1024;

struct Source {
  int fd = -1;
  // The array the source fills: a different one means ImageBytes was replaced.
  const Byte* data = nullptr;
  std::size_t size = 0;
  std::vector<bool> present;  // per block
  std::size_t bytesRead = 0;
};

Source g_source;

// Reads exactly `size` bytes at `offset`; false on an error or an early end.
bool ReadAt(int fd, Byte* to, std::size_t size, std::size_t offset) {
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

}  // namespace

void ReadImageOnDemand(int fd) {
  StopReadingOnDemand();
  g_source.fd = fd;
  g_source.data = ImageBytes.data();
  g_source.size = ImageBytes.size();
  g_source.present.assign((g_source.size + kBlock - 1) / kBlock, false);
  g_source.bytesRead = 0;
}

void StopReadingOnDemand() {
  if (g_source.fd >= 0) ::close(g_source.fd);
  g_source.fd = -1;
  g_source.data = nullptr;
  g_source.size = 0;
  g_source.present.clear();
}

void RequireImageBytes(std::size_t begin, std::size_t end) {
  if (g_source.fd < 0) return;
  if (ImageBytes.data() != g_source.data || ImageBytes.size() != g_source.size) {
    StopReadingOnDemand();
    return;
  }
  end = std::min(end, g_source.size);
  if (begin >= end) return;
  const std::size_t last = (end - 1) / kBlock;
  for (std::size_t b = begin / kBlock; b <= last;) {
    if (g_source.present[b]) {
      ++b;
      continue;
    }
    // Consecutive missing blocks are read in one call.
    std::size_t e = b;
    while (e <= last && !g_source.present[e]) ++e;
    const std::size_t from = b * kBlock;
    const std::size_t to = std::min(e * kBlock, g_source.size);
    if (!ReadAt(g_source.fd, ImageBytes.data() + from, to - from, from)) throw ImageReadFailure();
    std::fill(g_source.present.begin() + static_cast<std::ptrdiff_t>(b),
              g_source.present.begin() + static_cast<std::ptrdiff_t>(e), true);
    g_source.bytesRead += to - from;
    b = e;
  }
}

void RequireAllImageBytes() { RequireImageBytes(0, ImageBytes.size()); }

std::size_t ImageBytesReadOnDemand() { return g_source.fd >= 0 ? g_source.bytesRead : 0; }

}  // namespace Korimocom
