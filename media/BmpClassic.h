// The classic BMP layout the carrier format relies on: a 14-byte file header,
// a 40-byte information header without compression, and 24- or 32-bit pixels
// stored as blue, green, red (and a fourth byte) from file offset 54 on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/ByteArray.h"
#include "media/BmpHeader.h"

namespace korimo::media {

// The headers a plan is made from lie within the first bytes of the file:
// the file header, the largest information header, and the masks after a
// 40-byte one.
inline constexpr std::size_t kBmpPlanBytes = kBmpFileHeaderSize + kBmpV5HeaderSize;

// What a picture needs before it can carry a sound, decided from its headers
// and its length.
struct ClassicPlan {
  enum class Verdict {
    Classic,  // already the classic layout (or too short to be anything): used as it is
    Rewrite,  // the same picture can be put into the classic layout
    Refused,  // embedding would write over header fields or compressed data
  };
  Verdict verdict = Verdict::Classic;
  std::string refusal;     // a short English reason, when Refused
  std::size_t size = 0;    // the rewritten file's length, when Rewrite
};

// `file` holds at least the first kBmpPlanBytes of a file of `length` bytes
// (or the whole of a shorter one). A 24- or 32-bit picture whose pixels do
// not start at offset 54 or whose colours are not plain blue-green-red bytes
// is rewritable when its information header is one of 40, 52, 56, 64
// (uncompressed only), 108 or 124 bytes, it is uncompressed or uses bit
// fields with contiguous masks, its width is positive, its height neither 0
// nor -2^31, and every row lies between the headers and the end of the file.
// Any other such picture is refused.
ClassicPlan PlanClassicLayout(std::span<const std::uint8_t> file, std::size_t length);

// Rewrites the whole file `image` in place, as planned (verdict Rewrite), and
// shortens it to plan.size, so the picture is never held twice:
//   - a 40-byte information header, no compression, pixels at 54, rows
//     bottom-up (a top-down picture is turned over), no colour table;
//   - the data-size field (offset 34), resolution, width and bit count as in
//     the original; the file-size field is the new length;
//   - pixels with the standard 8-bit masks keep their bytes; other masks are
//     converted to 8-bit blue, green, red (and alpha in the fourth byte of a
//     32-bit pixel) by scaling each channel to 0..255. Without an alpha mask
//     the fourth byte of a masked picture becomes 255 (opaque).
void RewriteInClassicLayout(Korimocom::ByteArray& image, const ClassicPlan& plan);

}  // namespace korimo::media
