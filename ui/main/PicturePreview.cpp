#include "ui/main/PicturePreview.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "media/BmpHeader.h"

namespace korimo::ui {

namespace {

using media::BmpHeader;

// Where the pixels are, once every field has been checked against the file.
struct PixelLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive
  bool bottomUp = true;
  std::size_t bytesPerPixel = 0;
  std::size_t stride = 0;
  std::size_t dataOffset = 0;
};

// Reads and checks the headers; nothing when the file is not of the handled
// shape: a 40-, 108- or 124-byte header, uncompressed pixels or 32-bit bit
// fields with the plain masks, every row inside the file.
std::optional<PixelLayout> ReadLayout(std::span<const std::uint8_t> b) {
  if (b.size() < media::kBmpClassicHeadersEnd) return std::nullopt;
  const BmpHeader h = media::ParseBmpHeader(b);
  if (!h.signature || h.planes != 1) return std::nullopt;
  const std::uint32_t headerSize = h.headerSize;
  if (headerSize != media::kBmpInfoHeaderSize && headerSize != media::kBmpV4HeaderSize &&
      headerSize != media::kBmpV5HeaderSize)
    return std::nullopt;
  if (b.size() < media::kBmpFileHeaderSize + headerSize) return std::nullopt;

  std::size_t headersEnd = media::kBmpFileHeaderSize + headerSize;
  if (h.compression == media::kBmpBitFields) {
    // Only the masks that give the same bytes as an uncompressed picture.
    if (h.bitCount != 32) return std::nullopt;
    if (headerSize == media::kBmpInfoHeaderSize) headersEnd += 12;
    if (b.size() < headersEnd) return std::nullopt;
    if (h.masks[0] != 0x00FF0000u || h.masks[1] != 0x0000FF00u || h.masks[2] != 0x000000FFu) return std::nullopt;
    if (headerSize >= media::kBmpV4HeaderSize && h.masks[3] != 0) return std::nullopt;
  } else if (h.compression != media::kBmpUncompressed) {
    return std::nullopt;
  }

  const std::optional<media::PixelGeometry> g = media::PixelGeometryOf(h, headersEnd, b.size());
  if (!g) return std::nullopt;
  PixelLayout layout;
  layout.width = h.width;
  layout.height = static_cast<std::int64_t>(g->rows);
  layout.bottomUp = g->bottomUp;
  layout.bytesPerPixel = g->bytesPerPixel;
  layout.stride = static_cast<std::size_t>(g->stride);
  layout.dataOffset = h.dataOffset;
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
