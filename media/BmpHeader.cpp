#include "media/BmpHeader.h"

#include <cstdint>

#include <algorithm>

namespace korimo::media {

namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    if (at + i < b.size()) v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
  return v;
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(U32(b, at) & 0xFFFFu);
}

void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Put16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

BmpHeader ParseBmpHeader(std::span<const std::uint8_t> b) {
  BmpHeader h;
  h.signature = b.size() >= 2 && b[0] == 'B' && b[1] == 'M';
  h.fileSize = U32(b, 2);
  h.dataOffset = U32(b, 10);
  h.headerSize = U32(b, 14);
  h.width = static_cast<std::int32_t>(U32(b, 18));
  h.height = static_cast<std::int32_t>(U32(b, 22));
  h.planes = U16(b, 26);
  h.bitCount = U16(b, 28);
  h.compression = U32(b, 30);
  h.dataSize = U32(b, 34);
  h.xResolution = U32(b, 38);
  h.yResolution = U32(b, 42);
  for (std::size_t i = 0; i < 4; ++i) h.masks[i] = U32(b, kBmpClassicHeadersEnd + 4 * i);
  return h;
}

std::optional<PixelGeometry> PixelGeometryOf(const BmpHeader& in, std::size_t headersEnd, std::size_t length,
                                             std::string* reason) {
  const auto refuse = [&](std::string why) -> std::optional<PixelGeometry> {
    if (reason) *reason = std::move(why);
    return std::nullopt;
  };
  if (in.bitCount != 24 && in.bitCount != 32) return refuse(std::to_string(in.bitCount) + " bits per pixel");
  if (in.width <= 0) return refuse("width " + std::to_string(in.width));
  if (in.height == 0 || in.height == INT32_MIN) return refuse("height " + std::to_string(in.height));
  if (in.dataOffset < headersEnd) return refuse("pixel data inside the headers");
  if (in.dataOffset > length) return refuse("pixel data past the end of the file");
  PixelGeometry g;
  // 64-bit negation: a height of -2^31 has no positive 32-bit counterpart.
  g.rows = in.height < 0 ? -static_cast<std::int64_t>(in.height) : in.height;
  g.bottomUp = in.height > 0;
  g.bytesPerPixel = in.bitCount / 8;
  g.stride = (static_cast<std::uint64_t>(in.width) * g.bytesPerPixel + 3) & ~std::uint64_t{3};
  const std::uint64_t available = length - in.dataOffset;
  if (g.stride > available || g.rows > available / g.stride) return refuse("pixels past the end of the file");
  g.pixelBytes = static_cast<std::size_t>(g.stride * g.rows);
  return g;
}

void WriteClassicHeaders(const BmpHeader& h, std::span<std::uint8_t, kBmpClassicHeadersEnd> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, h.fileSize);
  Put32(out, 10, h.dataOffset);
  Put32(out, 14, static_cast<std::uint32_t>(kBmpInfoHeaderSize));
  Put32(out, 18, static_cast<std::uint32_t>(h.width));
  Put32(out, 22, static_cast<std::uint32_t>(h.height));
  Put16(out, 26, h.planes);
  Put16(out, 28, h.bitCount);
  Put32(out, 30, h.compression);
  Put32(out, 34, h.dataSize);
  Put32(out, 38, h.xResolution);
  Put32(out, 42, h.yResolution);
}

}  // namespace korimo::media
