#include "engine/ImageSource.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/BitCodec.h"
#include "platform/FileIO.h"

namespace Korimocom {

namespace {

constexpr std::size_t kBlock = 4 * 1024;
// Fields covering fewer image bytes are embedded at once.
constexpr std::size_t kDeferFrom = 1024 * 1024;
// WriteImageBytes brings unread blocks in through a buffer of this size: small
// enough to stay in the processor's cache from the read through the embedding
// to the write, large enough that the calls cost nothing.
constexpr std::size_t kStreamPart = 1024 * 1024;

const Byte kZeros[kBlock] = {};

// A field embedded later, block by block; none while count is 0.
struct Deferred {
  std::size_t base = 0;   // image index of data byte 0
  std::size_t count = 0;  // data bytes
  std::vector<Byte> head;  // the data up to its last non-zero byte; the rest are 0
};

struct Source {
  int fd = -1;
  // The array the source fills: a different one means ImageBytes was replaced.
  const Byte* data = nullptr;
  std::size_t size = 0;
  std::vector<bool> present;  // per block
  std::size_t bytesRead = 0;
  Deferred deferred;
};

Source g_source;

bool SourceOpen() {
  if (g_source.fd < 0) return false;
  if (ImageBytes.data() != g_source.data || ImageBytes.size() != g_source.size) {
    StopReadingOnDemand();
    return false;
  }
  return true;
}

// Embeds the deferred field into `dst`, which holds image bytes [from, to).
// Groups of eight that the range cuts get their bits one by one.
void ApplyDeferred(Byte* dst, std::size_t from, std::size_t to) {
  const Deferred& d = g_source.deferred;
  const std::size_t lo = std::max(from, d.base);
  const std::size_t hi = std::min(to, d.base + 8 * d.count);
  if (lo >= hi) return;
  const auto dataByte = [&d](std::size_t k) -> Byte { return k < d.head.size() ? d.head[k] : 0; };
  const auto oneBit = [&](std::size_t i) {
    const std::size_t offset = i - d.base;
    const Byte bit = static_cast<Byte>((dataByte(offset / 8) >> (7 - offset % 8)) & 1);
    dst[i - from] = static_cast<Byte>((dst[i - from] & 0xFE) | bit);
  };
  // Whole groups k in [first, last).
  const std::size_t first = (lo - d.base + 7) / 8;
  const std::size_t last = std::max(first, (hi - d.base) / 8);
  const std::size_t wholeFrom = std::min(hi, d.base + 8 * first);
  const std::size_t wholeTo = std::max(wholeFrom, d.base + 8 * last);
  for (std::size_t i = lo; i < wholeFrom; ++i) oneBit(i);
  for (std::size_t k = first; k < last;) {
    const Byte* src = kZeros;
    std::size_t n = std::min(last - k, sizeof kZeros);
    if (k < d.head.size()) {
      src = d.head.data() + k;
      n = std::min(last, d.head.size()) - k;
    }
    EmbedInto(dst + (d.base + 8 * k - from), src, n);
    k += n;
  }
  for (std::size_t i = wholeTo; i < hi; ++i) oneBit(i);
}

// Length of `data` up to and including its last non-zero byte. Checked a page
// at a time from the end: a sound area is mostly trailing zeros in pages
// that were never written.
std::size_t UsedLength(const Byte* data, std::size_t count) {
  std::size_t used = count;
  while (used > 0) {
    const std::size_t start = used > kBlock ? used - kBlock : 0;
    if (std::memcmp(data + start, kZeros, used - start) != 0) break;
    used = start;
  }
  while (used > 0 && data[used - 1] == 0) --used;
  return used;
}

// Image bytes [from, to) from the file into `out`, with the deferred field
// embedded: what ImageBytes holds there once those blocks are read.
void ReadFromFile(Byte* out, std::size_t from, std::size_t to) {
  if (!korimo::fileio::ReadExactlyAt(g_source.fd, out, to - from, from)) throw ImageReadFailure();
  ApplyDeferred(out, from, to);
}

// A field of `count` data bytes at `base` long enough to be taken part by
// part, inside the picture of an open source.
bool LongFieldOfSource(std::size_t base, std::size_t count) {
  return count >= kDeferFrom / 8 && SourceOpen() && base <= g_source.size && count <= (g_source.size - base) / 8;
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
  korimo::fileio::Close(g_source.fd);
  g_source.fd = -1;
  g_source.data = nullptr;
  g_source.size = 0;
  g_source.present.clear();
  g_source.deferred = Deferred{};
}

void RequireImageBytes(std::size_t begin, std::size_t end) {
  if (!SourceOpen()) return;
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
    ReadFromFile(ImageBytes.data() + from, from, to);
    std::fill(g_source.present.begin() + static_cast<std::ptrdiff_t>(b),
              g_source.present.begin() + static_cast<std::ptrdiff_t>(e), true);
    g_source.bytesRead += to - from;
    b = e;
  }
}

void RequireAllImageBytes() { RequireImageBytes(0, ImageBytes.size()); }

bool DeferEmbedding(std::size_t base, const Byte* data, std::size_t count) {
  if (!LongFieldOfSource(base, count) || g_source.deferred.count != 0) return false;
  Deferred deferred;
  try {
    deferred.head.assign(data, data + UsedLength(data, count));
  } catch (const std::bad_alloc&) {
    return false;  // embedded at once instead
  }
  deferred.base = base;
  deferred.count = count;
  g_source.deferred = std::move(deferred);
  // Blocks already in memory take the field now; the others as they are read.
  const std::size_t end = base + 8 * count;
  for (std::size_t b = base / kBlock; b * kBlock < end; ++b) {
    if (!g_source.present[b]) continue;
    const std::size_t from = b * kBlock;
    const std::size_t to = std::min(from + kBlock, g_source.size);
    ApplyDeferred(ImageBytes.data() + from, from, to);
  }
  return true;
}

bool ExtractStreamed(std::size_t base, Byte* data, std::size_t count) {
  if (!LongFieldOfSource(base, count)) return false;
  std::vector<Byte> part;
  for (std::size_t k = 0; k < count;) {
    const std::size_t n = std::min(kStreamPart / 8, count - k);
    const std::size_t from = base + 8 * k;
    const std::size_t to = from + 8 * n;
    part.resize(to - from);
    ReadFromFile(part.data(), from, to);
    // Blocks in memory may differ from the file (an embedding wrote there):
    // theirs are the bytes to take.
    for (std::size_t b = from / kBlock; b * kBlock < to; ++b) {
      if (!g_source.present[b]) continue;
      const std::size_t lo = std::max(from, b * kBlock);
      const std::size_t hi = std::min(to, (b + 1) * kBlock);
      std::memcpy(part.data() + (lo - from), ImageBytes.data() + lo, hi - lo);
    }
    ExtractFrom(part.data(), data + k, n);
    k += n;
  }
  return true;
}

bool WriteImageBytes(const std::function<bool(const Byte*, std::size_t)>& write) {
  if (!SourceOpen()) return write(ImageBytes.data(), ImageBytes.size());
  std::vector<Byte> part;
  const std::size_t blocks = g_source.present.size();
  for (std::size_t b = 0; b < blocks;) {
    const bool present = g_source.present[b];
    std::size_t e = b + 1;
    while (e < blocks && g_source.present[e] == present && (present || (e - b) * kBlock < kStreamPart)) ++e;
    const std::size_t from = b * kBlock;
    const std::size_t to = std::min(e * kBlock, g_source.size);
    if (present) {
      if (!write(ImageBytes.data() + from, to - from)) return false;
    } else {
      part.resize(to - from);
      ReadFromFile(part.data(), from, to);
      if (!write(part.data(), to - from)) return false;
    }
    b = e;
  }
  return true;
}

std::size_t ImageBytesReadOnDemand() { return g_source.fd >= 0 ? g_source.bytesRead : 0; }

}  // namespace Korimocom
