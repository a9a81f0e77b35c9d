#include "engine/ImageSource.h"

#include <algorithm>
#include <vector>

#include "engine/Korimocom.h"
#include "platform/FileIO.h"

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
  korimo::fileio::Close(g_source.fd);
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
    if (!korimo::fileio::ReadExactlyAt(g_source.fd, ImageBytes.data() + from, to - from, from)) throw ImageReadFailure();
    std::fill(g_source.present.begin() + static_cast<std::ptrdiff_t>(b),
              g_source.present.begin() + static_cast<std::ptrdiff_t>(e), true);
    g_source.bytesRead += to - from;
    b = e;
  }
}

void RequireAllImageBytes() { RequireImageBytes(0, ImageBytes.size()); }

std::size_t ImageBytesReadOnDemand() { return g_source.fd >= 0 ? g_source.bytesRead : 0; }

}  // namespace Korimocom
