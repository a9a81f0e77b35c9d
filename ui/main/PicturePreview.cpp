#include "ui/main/PicturePreview.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace korimo::ui {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kInfoHeaderV4 = 108;
constexpr std::uint32_t kInfoHeaderV5 = 124;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;
// With bit fields, the red, green and blue masks follow the 40-byte part of
// the information header (inside it for the larger headers); the alpha mask
// comes next in those larger headers.
constexpr std::size_t kMasksAt = kFileHeaderSize + kInfoHeader;
constexpr std::size_t kAlphaMaskAt = kMasksAt + 12;

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::int32_t I32(std::span<const std::uint8_t> b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

// Where the pixels are, once every field has been checked against the file.
struct PixelLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive
  bool bottomUp = true;
  std::size_t bytesPerPixel = 0;
  std::size_t stride = 0;
  std::size_t dataOffset = 0;
};

// Reads and checks the headers; nothing when the file is not of the handled shape.
std::optional<PixelLayout> ReadLayout(std::span<const std::uint8_t> b) {
  if (b.size() < kFileHeaderSize + kInfoHeader || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::uint32_t headerSize = U32(b, 14);
  if (headerSize != kInfoHeader && headerSize != kInfoHeaderV4 && headerSize != kInfoHeaderV5) return std::nullopt;
  if (b.size() < kFileHeaderSize + headerSize) return std::nullopt;

  const std::int32_t width = I32(b, 18);
  const std::int32_t height = I32(b, 22);
  const std::uint16_t planes = U16(b, 26);
  const std::uint16_t bitCount = U16(b, 28);
  const std::uint32_t compression = U32(b, 30);
  if (width <= 0 || height == 0 || planes != 1) return std::nullopt;
  if (bitCount != 24 && bitCount != 32) return std::nullopt;

  std::size_t headersEnd = kFileHeaderSize + headerSize;
  if (compression == kBitFields) {
    // Only the masks that give the same bytes as an uncompressed picture.
    if (bitCount != 32) return std::nullopt;
    if (headerSize == kInfoHeader) headersEnd += 12;
    if (b.size() < headersEnd) return std::nullopt;
    if (U32(b, kMasksAt) != 0x00FF0000u || U32(b, kMasksAt + 4) != 0x0000FF00u || U32(b, kMasksAt + 8) != 0x000000FFu)
      return std::nullopt;
    if (headerSize >= kInfoHeaderV4 && U32(b, kAlphaMaskAt) != 0) return std::nullopt;
  } else if (compression != kUncompressed) {
    return std::nullopt;
  }

  PixelLayout layout;
  layout.width = width;
  // 64-bit negation: a height of INT32_MIN has no positive 32-bit counterpart.
  layout.height = height < 0 ? -static_cast<std::int64_t>(height) : height;
  layout.bottomUp = height > 0;
  layout.bytesPerPixel = bitCount / 8;
  layout.dataOffset = U32(b, 10);
  if (layout.dataOffset < headersEnd || layout.dataOffset > b.size()) return std::nullopt;

  // Every row, padding included, must lie inside the file. Dividing instead of
  // multiplying keeps lying dimensions from overflowing; this also bounds the
  // dimensions by the file's size.
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * layout.bytesPerPixel + 3) & ~std::uint64_t{3};
  const std::uint64_t available = b.size() - layout.dataOffset;
  if (stride > available || static_cast<std::uint64_t>(layout.height) > available / stride) return std::nullopt;
  layout.stride = static_cast<std::size_t>(stride);
  return layout;
}

// The two sample positions inside the source span that output index `i` of
// `outCount` covers (a quarter and three quarters of the way across it).
std::pair<std::int64_t, std::int64_t> Taps(std::int64_t i, std::int64_t outCount, std::int64_t srcCount) {
  const std::int64_t from = i * srcCount / outCount;
  const std::int64_t span = (i + 1) * srcCount / outCount - from;  // >= 1, as outCount <= srcCount
  return {from + span / 4, from + (3 * span) / 4};
}

}  // namespace

QImage PicturePreview(std::span<const std::uint8_t> bytes, QSize maxSize) {
  if (maxSize.width() <= 0 || maxSize.height() <= 0) return {};
  const std::optional<PixelLayout> layout = ReadLayout(bytes);
  if (!layout) return {};

  const std::int64_t outWidth = std::min<std::int64_t>(maxSize.width(), layout->width);
  const std::int64_t outHeight = std::min<std::int64_t>(maxSize.height(), layout->height);
  QImage image(static_cast<int>(outWidth), static_cast<int>(outHeight), QImage::Format_RGB32);
  if (image.isNull()) return {};

  // Byte offsets of the two sample columns of each output column, within a row.
  std::vector<std::size_t> columnA(static_cast<std::size_t>(outWidth));
  std::vector<std::size_t> columnB(static_cast<std::size_t>(outWidth));
  for (std::int64_t x = 0; x < outWidth; ++x) {
    const auto [a, b] = Taps(x, outWidth, layout->width);
    columnA[x] = static_cast<std::size_t>(a) * layout->bytesPerPixel;
    columnB[x] = static_cast<std::size_t>(b) * layout->bytesPerPixel;
  }
  // Source row `r`, counted from the top of the picture.
  const auto row = [&](std::int64_t r) {
    const std::int64_t stored = layout->bottomUp ? layout->height - 1 - r : r;
    return bytes.data() + layout->dataOffset + static_cast<std::size_t>(stored) * layout->stride;
  };

  for (std::int64_t y = 0; y < outHeight; ++y) {
    const auto [a, b] = Taps(y, outHeight, layout->height);
    const std::uint8_t* rowA = row(a);
    const std::uint8_t* rowB = row(b);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
    for (std::int64_t x = 0; x < outWidth; ++x) {
      const std::uint8_t* p[4] = {rowA + columnA[x], rowA + columnB[x], rowB + columnA[x], rowB + columnB[x]};
      // Stored as blue, green, red (and a fourth byte the picture ignores).
      const int blue = (p[0][0] + p[1][0] + p[2][0] + p[3][0] + 2) / 4;
      const int green = (p[0][1] + p[1][1] + p[2][1] + p[3][1] + 2) / 4;
      const int red = (p[0][2] + p[1][2] + p[2][2] + p[3][2] + 2) / 4;
      out[x] = qRgb(red, green, blue);
    }
  }
  return image;
}

}  // namespace korimo::ui
