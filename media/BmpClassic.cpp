#include "media/BmpClassic.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>

#include "engine/CarrierLayout.h"
#include "media/BmpHeader.h"

namespace korimo::media {

namespace {

// Information headers with the layout of the 40-byte one in front: the two
// intermediate sizes some writers use, the 64-byte one of the other family
// (whose compression numbers differ, so only uncompressed), and versions 4
// and 5.
constexpr std::array<std::uint32_t, 6> kKnownHeaders = {kBmpInfoHeaderSize, kBmpInfoHeaderWithMasks,
                                                      kBmpInfoHeaderWithAlphaMask, kBmpOtherFamilyHeader,
                                                      kBmpV4HeaderSize, kBmpV5HeaderSize};

static_assert(kBmpClassicHeadersEnd == layout::kCarrierStart);

// One channel of a masked pixel value, scaled to 0..255.
class Channel {
 public:
  explicit Channel(std::uint32_t mask)
      : shift_(mask ? std::countr_zero(mask) : 0), max_(mask ? mask >> shift_ : 0) {}
  std::uint8_t Of(std::uint32_t pixel) const {
    if (max_ == 0) return 0;
    const std::uint64_t v = (pixel >> shift_) & max_;
    return static_cast<std::uint8_t>((v * 255 + max_ / 2) / max_);
  }

 private:
  int shift_;
  std::uint32_t max_;
};

// Every set bit of a mask must be one run: other masks describe no colour.
bool Contiguous(std::uint32_t mask) {
  if (mask == 0) return true;
  const std::uint32_t run = mask >> std::countr_zero(mask);
  return (run & (run + 1)) == 0;
}

struct Masks {
  std::uint32_t red = 0x00FF0000u, green = 0x0000FF00u, blue = 0x000000FFu, alpha = 0;
  bool StandardColours() const { return red == 0x00FF0000u && green == 0x0000FF00u && blue == 0x000000FFu; }
};

// The fourth byte of a classic 32-bit pixel, for a picture whose masks give
// it no alpha. Readers that take that byte for alpha when any pixel has it
// non-zero would show a picture of zeros transparent once the embedded bits
// set some of them; an opaque 255 looks the same to every reader.
constexpr std::uint8_t kOpaque = 0xFF;

bool IsClassic(const BmpHeader& in) {
  return in.headerSize == kBmpInfoHeaderSize && in.compression == kBmpUncompressed &&
         in.dataOffset == kBmpClassicHeadersEnd;
}

// Where the pixels of a rewritable picture lie and how they are coded.
struct Shape {
  BmpHeader header;
  Masks masks;
  std::uint64_t rows = 0;
  std::size_t bytesPerPixel = 0;
  std::uint64_t stride = 0;
  std::size_t pixelBytes = 0;
};

// The shape of a picture that is not classic, or the reason it has none.
std::string ShapeOf(std::span<const std::uint8_t> b, std::size_t length, Shape& s) {
  const BmpHeader& in = s.header = ParseBmpHeader(b);
  if (std::find(kKnownHeaders.begin(), kKnownHeaders.end(), in.headerSize) == kKnownHeaders.end())
    return "information header of " + std::to_string(in.headerSize) + " bytes";
  if (in.bitCount != 24 && in.bitCount != 32) return std::to_string(in.bitCount) + " bits per pixel";
  const bool masked = in.compression == kBmpBitFields || in.compression == kBmpAlphaBitFields;
  if ((in.compression != kBmpUncompressed && !masked) ||
      (masked && in.headerSize == kBmpOtherFamilyHeader))
    return "compressed pixels (compression " + std::to_string(in.compression) + ")";

  // The masks follow a 40-byte header and lie inside the larger ones; the
  // alpha mask is there only from the 56-byte header on, or with alpha bit
  // fields.
  std::size_t headersEnd = kBmpFileHeaderSize + in.headerSize;
  if (masked) {
    const bool withAlpha =
        in.headerSize >= kBmpInfoHeaderWithAlphaMask || (in.headerSize == kBmpInfoHeaderSize && in.compression == kBmpAlphaBitFields);
    if (in.headerSize == kBmpInfoHeaderSize) headersEnd += withAlpha ? 16 : 12;
    // Masks read from where the pixels are would mean nothing.
    if (in.dataOffset < headersEnd) return "pixel data inside the headers";
    s.masks = {in.masks[0], in.masks[1], in.masks[2], withAlpha ? in.masks[3] : 0};
    if (in.bitCount == 24) {
      for (std::uint32_t* m : {&s.masks.red, &s.masks.green, &s.masks.blue, &s.masks.alpha}) *m &= 0x00FFFFFFu;
    }
    for (std::uint32_t m : {s.masks.red, s.masks.green, s.masks.blue, s.masks.alpha})
      if (!Contiguous(m)) return "colour mask with gaps";
    // No colour mask at all: readers fall back to the standard ones.
    if (s.masks.red == 0 && s.masks.green == 0 && s.masks.blue == 0) s.masks = Masks{};
  }

  std::string reason;
  const std::optional<PixelGeometry> g = PixelGeometryOf(in, headersEnd, length, &reason);
  if (!g) return reason;
  s.rows = g->rows;
  s.bytesPerPixel = g->bytesPerPixel;
  s.stride = g->stride;
  s.pixelBytes = g->pixelBytes;
  return {};
}

}  // namespace

ClassicPlan PlanClassicLayout(std::span<const std::uint8_t> b, std::size_t length) {
  ClassicPlan plan;
  const BmpHeader in = ParseBmpHeader(b);
  // The common case, and the one that must cost nothing: already classic.
  // A file too short for the classic headers is left to the fit checks.
  if (!in.signature || length < kBmpClassicHeadersEnd || IsClassic(in)) return plan;
  Shape shape;
  plan.refusal = ShapeOf(b, length, shape);
  if (!plan.refusal.empty()) {
    plan.verdict = ClassicPlan::Verdict::Refused;
    return plan;
  }
  plan.verdict = ClassicPlan::Verdict::Rewrite;
  plan.size = kBmpClassicHeadersEnd + shape.pixelBytes;
  return plan;
}

void RewriteInClassicLayout(Korimocom::ByteArray& image, const ClassicPlan& plan) {
  if (plan.verdict != ClassicPlan::Verdict::Rewrite) return;
  Shape s;
  if (!ShapeOf(image, image.size(), s).empty() || kBmpClassicHeadersEnd + s.pixelBytes != plan.size) return;
  const BmpHeader& in = s.header;
  std::uint8_t* pixels = image.data() + kBmpClassicHeadersEnd;

  // The pixels move down to offset 54 (they never start before it), then a
  // top-down picture has its rows swapped end for end.
  std::memmove(pixels, image.data() + in.dataOffset, s.pixelBytes);
  if (in.height < 0) {
    for (std::uint64_t r = 0; r < s.rows / 2; ++r) {
      std::uint8_t* top = pixels + r * s.stride;
      std::swap_ranges(top, top + s.stride, pixels + (s.rows - 1 - r) * s.stride);
    }
  }

  if (s.masks.StandardColours() && (s.masks.alpha == 0 || s.masks.alpha == 0xFF000000u)) {
    // Uncompressed pixels keep their fourth byte, which such a picture had
    // as it has now; with bit fields it was no alpha unless the mask said so.
    if (s.bytesPerPixel == 4 && in.compression != kBmpUncompressed && s.masks.alpha == 0) {
      for (std::uint64_t r = 0; r < s.rows; ++r)
        for (std::int32_t x = 0; x < in.width; ++x) pixels[r * s.stride + 4 * static_cast<std::size_t>(x) + 3] = kOpaque;
    }
  } else {
    // Each pixel is converted where it lies: input and output have the same size.
    const Channel red(s.masks.red), green(s.masks.green), blue(s.masks.blue), alpha(s.masks.alpha);
    for (std::uint64_t r = 0; r < s.rows; ++r) {
      std::uint8_t* p = pixels + r * s.stride;
      for (std::int32_t x = 0; x < in.width; ++x, p += s.bytesPerPixel) {
        std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
        if (s.bytesPerPixel == 4) v |= std::uint32_t{p[3]} << 24;
        p[0] = blue.Of(v);
        p[1] = green.Of(v);
        p[2] = red.Of(v);
        if (s.bytesPerPixel == 4) p[3] = s.masks.alpha ? alpha.Of(v) : kOpaque;
      }
    }
  }

  BmpHeader classic = in;  // width, bit count, resolution and the data-size field kept
  classic.fileSize = static_cast<std::uint32_t>(plan.size);
  classic.dataOffset = static_cast<std::uint32_t>(kBmpClassicHeadersEnd);
  classic.height = static_cast<std::int32_t>(s.rows);
  classic.planes = 1;
  classic.compression = kBmpUncompressed;
  WriteClassicHeaders(classic, std::span<std::uint8_t, kBmpClassicHeadersEnd>(image.data(), kBmpClassicHeadersEnd));
  // Shrinking keeps the memory where it is: no second copy of the picture.
  image.resize(plan.size);
}

}  // namespace korimo::media
