#include "media/BmpHeader.h"

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
  for (std::size_t i = 0; i < 4; ++i) h.masks[i] = U32(b, kBmpClassicHeadersEnd + 4 * i);
  return h;
}

}  // namespace korimo::media
