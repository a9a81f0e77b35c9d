#include "media/BmpClassic.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "engine/CarrierLayout.h"
#include "media/BmpHeader.h"

namespace korimo::media {

namespace {

constexpr std::uint32_t kAlphaBitFields = 6;
// Information headers with the layout of the 40-byte one in front: the two
// intermediate sizes some writers use, and versions 4 and 5.
constexpr std::array<std::uint32_t, 5> kKnownHeaders = {40, 52, 56, 108, 124};

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

}  // namespace

bool HasClassicLayout(std::span<const std::uint8_t> b) {
  return b.size() >= kBmpClassicHeadersEnd && IsClassic(ParseBmpHeader(b));
}

std::optional<Korimocom::ByteArray> ClassicLayoutOf(std::span<const std::uint8_t> b) {
  const BmpHeader in = ParseBmpHeader(b);
  if (!in.signature || b.size() < kBmpClassicHeadersEnd) return std::nullopt;
  // The common case, and the one that must cost nothing: already classic.
  if (IsClassic(in)) return std::nullopt;

  if (std::find(kKnownHeaders.begin(), kKnownHeaders.end(), in.headerSize) == kKnownHeaders.end())
    return std::nullopt;
  if (in.bitCount != 24 && in.bitCount != 32) return std::nullopt;
  if (in.compression != kBmpUncompressed && in.compression != kBmpBitFields && in.compression != kAlphaBitFields)
    return std::nullopt;

  // The masks follow a 40-byte header and lie inside the larger ones; the
  // alpha mask is there only from the 56-byte header on, or with alpha bit
  // fields.
  std::size_t headersEnd = kBmpFileHeaderSize + in.headerSize;
  Masks masks;
  if (in.compression != kBmpUncompressed) {
    const bool withAlpha =
        in.headerSize >= 56 || (in.headerSize == kBmpInfoHeaderSize && in.compression == kAlphaBitFields);
    if (in.headerSize == kBmpInfoHeaderSize) headersEnd += withAlpha ? 16 : 12;
    masks = {in.masks[0], in.masks[1], in.masks[2], withAlpha ? in.masks[3] : 0};
    if (in.bitCount == 24) {
      for (std::uint32_t* m : {&masks.red, &masks.green, &masks.blue, &masks.alpha}) *m &= 0x00FFFFFFu;
    }
    for (std::uint32_t m : {masks.red, masks.green, masks.blue, masks.alpha})
      if (!Contiguous(m)) return std::nullopt;
    // No colour mask at all: readers fall back to the standard ones.
    if (masks.red == 0 && masks.green == 0 && masks.blue == 0) masks = Masks{};
  }

  if (in.width <= 0 || in.height == 0 || in.dataOffset < headersEnd || in.dataOffset > b.size())
    return std::nullopt;
  const std::uint64_t rows = in.height < 0 ? -static_cast<std::int64_t>(in.height) : in.height;
  const std::size_t bytesPerPixel = in.bitCount / 8;
  const std::uint64_t stride = (static_cast<std::uint64_t>(in.width) * bytesPerPixel + 3) & ~std::uint64_t{3};
  // Every row must lie inside the file; dividing keeps lying sizes from overflowing.
  const std::uint64_t available = b.size() - in.dataOffset;
  if (stride > available || rows > available / stride) return std::nullopt;
  const std::size_t pixelBytes = static_cast<std::size_t>(stride * rows);

  Korimocom::ByteArray out = Korimocom::ByteArray::Zeroed(kBmpClassicHeadersEnd + pixelBytes);
  BmpHeader classic = in;  // width, bit count, resolution and the data-size field kept
  classic.fileSize = static_cast<std::uint32_t>(out.size());
  classic.dataOffset = static_cast<std::uint32_t>(kBmpClassicHeadersEnd);
  classic.height = static_cast<std::int32_t>(rows);
  classic.planes = 1;
  classic.compression = kBmpUncompressed;
  WriteClassicHeaders(classic, std::span<std::uint8_t, kBmpClassicHeadersEnd>(out.data(), kBmpClassicHeadersEnd));

  // Row r of the output (counted from the bottom) is row r of a bottom-up
  // source, or row rows - 1 - r of a top-down one.
  const auto sourceRow = [&](std::uint64_t r) {
    const std::uint64_t stored = in.height > 0 ? r : rows - 1 - r;
    return b.data() + in.dataOffset + stored * stride;
  };
  std::uint8_t* pixels = out.data() + kBmpClassicHeadersEnd;
  if (masks.StandardColours() && (masks.alpha == 0 || masks.alpha == 0xFF000000u)) {
    if (in.height > 0) {
      std::memcpy(pixels, b.data() + in.dataOffset, pixelBytes);
    } else {
      for (std::uint64_t r = 0; r < rows; ++r) std::memcpy(pixels + r * stride, sourceRow(r), stride);
    }
    // Uncompressed pixels keep their fourth byte, which such a picture had
    // as it has now; with bit fields it was no alpha unless the mask said so.
    if (bytesPerPixel == 4 && in.compression != kBmpUncompressed && masks.alpha == 0) {
      for (std::uint64_t r = 0; r < rows; ++r)
        for (std::int32_t x = 0; x < in.width; ++x) pixels[r * stride + 4 * static_cast<std::size_t>(x) + 3] = kOpaque;
    }
    return out;
  }

  const Channel red(masks.red), green(masks.green), blue(masks.blue), alpha(masks.alpha);
  for (std::uint64_t r = 0; r < rows; ++r) {
    const std::uint8_t* from = sourceRow(r);
    std::uint8_t* to = pixels + r * stride;
    for (std::int32_t x = 0; x < in.width; ++x, from += bytesPerPixel, to += bytesPerPixel) {
      std::uint32_t v = std::uint32_t{from[0]} | std::uint32_t{from[1]} << 8 | std::uint32_t{from[2]} << 16;
      if (bytesPerPixel == 4) v |= std::uint32_t{from[3]} << 24;
      to[0] = blue.Of(v);
      to[1] = green.Of(v);
      to[2] = red.Of(v);
      if (bytesPerPixel == 4) to[3] = masks.alpha ? alpha.Of(v) : kOpaque;
    }
  }
  return out;
}

}  // namespace korimo::media
