#include "engine/DeferredEmbedding.h"

#include <algorithm>
#include <cstring>

#include "engine/BitCodec.h"

namespace Korimocom {

namespace {

constexpr std::size_t kPage = 4 * 1024;
const Byte kZeros[kPage] = {};

// Length of `data` up to and including its last non-zero byte. Checked a page
// at a time from the end: a sound area is mostly trailing zeros in pages
// that were never written.
std::size_t UsedLength(const Byte* data, std::size_t count) {
  std::size_t used = count;
  while (used > 0) {
    const std::size_t start = used > kPage ? used - kPage : 0;
    if (std::memcmp(data + start, kZeros, used - start) != 0) break;
    used = start;
  }
  while (used > 0 && data[used - 1] == 0) --used;
  return used;
}

}  // namespace

DeferredEmbedding::DeferredEmbedding(std::size_t base, const Byte* data, std::size_t count)
    : base_(base), count_(count), head_(data, data + UsedLength(data, count)) {}

void DeferredEmbedding::ApplyTo(Byte* dst, std::size_t from, std::size_t to) const {
  const std::size_t lo = std::max(from, base_);
  const std::size_t hi = std::min(to, End());
  if (lo >= hi) return;
  const auto dataByte = [this](std::size_t k) -> Byte { return k < head_.size() ? head_[k] : 0; };
  const auto oneBit = [&](std::size_t i) {
    const std::size_t offset = i - base_;
    const Byte bit = static_cast<Byte>((dataByte(offset / 8) >> (7 - offset % 8)) & 1);
    dst[i - from] = static_cast<Byte>((dst[i - from] & 0xFE) | bit);
  };
  // Whole groups k in [first, last).
  const std::size_t first = (lo - base_ + 7) / 8;
  const std::size_t last = std::max(first, (hi - base_) / 8);
  const std::size_t wholeFrom = std::min(hi, base_ + 8 * first);
  const std::size_t wholeTo = std::max(wholeFrom, base_ + 8 * last);
  for (std::size_t i = lo; i < wholeFrom; ++i) oneBit(i);
  for (std::size_t k = first; k < last;) {
    const Byte* src = kZeros;
    std::size_t n = std::min(last - k, sizeof kZeros);
    if (k < head_.size()) {
      src = head_.data() + k;
      n = std::min(last, head_.size()) - k;
    }
    EmbedInto(dst + (base_ + 8 * k - from), src, n);
    k += n;
  }
  for (std::size_t i = wholeTo; i < hi; ++i) oneBit(i);
}

}  // namespace Korimocom
