#include "engine/ImageSource.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "engine/BitCodec.h"
#include "engine/DeferredEmbedding.h"

namespace Korimocom {

namespace {

constexpr std::size_t kBlock = BlockCache::kBlock;
// Fields covering fewer image bytes are embedded at once.
constexpr std::size_t kDeferFrom = 1024 * 1024;
// WriteImageBytes brings unread blocks in through a buffer of this size: small
// enough to stay in the processor's cache from the read through the embedding
// to the write, large enough that the calls cost nothing.
constexpr std::size_t kStreamPart = 1024 * 1024;

// The source of a picture read on demand.
struct Source {
  Source(int fd, std::size_t size) : file(fd, size) {}
  BlockCache file;
  std::optional<DeferredEmbedding> deferred;

  // Image bytes [from, to) from the file into `out`, with the deferred field
  // embedded: what ImageBytes holds there once those blocks are read.
  void Read(Byte* out, std::size_t from, std::size_t to) const {
    file.Read(out, from, to);
    if (deferred) deferred->ApplyTo(out, from, to);
  }
};

// The loaded picture's source; none while the picture is whole in memory.
std::unique_ptr<Source> g_loaded;

// The source, when the loaded picture has one. An array of another size than
// the file is not the picture the source belongs to: it is never filled.
Source* Loaded() {
  if (g_loaded && g_loaded->file.Size() != ImageBytes.size()) g_loaded.reset();
  return g_loaded.get();
}

// A field of `count` data bytes at `base` long enough to be taken part by
// part, inside the picture of the source.
bool LongFieldOf(const Source& source, std::size_t base, std::size_t count) {
  return count >= kDeferFrom / 8 && base <= source.file.Size() && count <= (source.file.Size() - base) / 8;
}

}  // namespace

void ReadImageOnDemand(int fd) { g_loaded = std::make_unique<Source>(fd, ImageBytes.size()); }

void StopReadingOnDemand() { g_loaded.reset(); }

void RequireImageBytes(std::size_t begin, std::size_t end) {
  Source* source = Loaded();
  if (source == nullptr) return;
  BlockCache& file = source->file;
  end = std::min(end, file.Size());
  if (begin >= end) return;
  const std::size_t last = (end - 1) / kBlock;
  for (std::size_t b = begin / kBlock; b <= last;) {
    if (file.Present(b)) {
      ++b;
      continue;
    }
    // Consecutive missing blocks are read in one call.
    std::size_t e = b;
    while (e <= last && !file.Present(e)) ++e;
    const std::size_t from = b * kBlock;
    const std::size_t to = std::min(e * kBlock, file.Size());
    source->Read(ImageBytes.data() + from, from, to);
    file.MarkPresent(b, e);
    file.CountRead(to - from);
    b = e;
  }
}

void RequireAllImageBytes() {
  RequireImageBytes(0, ImageBytes.size());
  StopReadingOnDemand();
}

bool DeferEmbedding(std::size_t base, const Byte* data, std::size_t count) {
  Source* source = Loaded();
  if (source == nullptr || !LongFieldOf(*source, base, count) || source->deferred) return false;
  try {
    source->deferred.emplace(base, data, count);
  } catch (const std::bad_alloc&) {
    return false;  // embedded at once instead
  }
  // Blocks already in memory take the field now; the others as they are read.
  const BlockCache& file = source->file;
  const std::size_t end = source->deferred->End();
  for (std::size_t b = base / kBlock; b * kBlock < end; ++b) {
    if (!file.Present(b)) continue;
    const std::size_t from = b * kBlock;
    const std::size_t to = std::min(from + kBlock, file.Size());
    source->deferred->ApplyTo(ImageBytes.data() + from, from, to);
  }
  return true;
}

bool ExtractStreamed(std::size_t base, Byte* data, std::size_t count) {
  const Source* source = Loaded();
  if (source == nullptr || !LongFieldOf(*source, base, count)) return false;
  std::vector<Byte> part;
  for (std::size_t k = 0; k < count;) {
    const std::size_t n = std::min(kStreamPart / 8, count - k);
    const std::size_t from = base + 8 * k;
    const std::size_t to = from + 8 * n;
    part.resize(to - from);
    source->Read(part.data(), from, to);
    // Blocks in memory may differ from the file (an embedding wrote there):
    // theirs are the bytes to take.
    for (std::size_t b = from / kBlock; b * kBlock < to; ++b) {
      if (!source->file.Present(b)) continue;
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
  const Source* source = Loaded();
  if (source == nullptr) return write(ImageBytes.data(), ImageBytes.size());
  const BlockCache& file = source->file;
  std::vector<Byte> part;
  const std::size_t blocks = file.Blocks();
  for (std::size_t b = 0; b < blocks;) {
    const bool present = file.Present(b);
    std::size_t e = b + 1;
    while (e < blocks && file.Present(e) == present && (present || (e - b) * kBlock < kStreamPart)) ++e;
    const std::size_t from = b * kBlock;
    const std::size_t to = std::min(e * kBlock, file.Size());
    if (present) {
      if (!write(ImageBytes.data() + from, to - from)) return false;
    } else {
      part.resize(to - from);
      source->Read(part.data(), from, to);
      if (!write(part.data(), to - from)) return false;
    }
    b = e;
  }
  return true;
}

std::size_t ImageBytesReadOnDemand() { return g_loaded ? g_loaded->file.BytesRead() : 0; }

}  // namespace Korimocom
