// The BMP file and information headers, read from the leading bytes of a
// file. The one place that knows where the header fields lie; the image
// loader, the window's picture preview and the image fuzzer all use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korimo::media {

// File header (14 bytes) and the start of the information header.
inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;  // the classic information header
inline constexpr std::size_t kBmpClassicHeadersEnd = kBmpFileHeaderSize + kBmpInfoHeaderSize;  // 54
// The fields the image loader reads come from the first 55 bytes.
inline constexpr std::size_t kBmpProbeSize = 55;

inline constexpr std::uint32_t kBmpUncompressed = 0;
inline constexpr std::uint32_t kBmpBitFields = 3;

// Every field as stored, unsigned where the file stores it so; fields beyond
// the given bytes read as 0 (a short file reads like one padded with zeros).
struct BmpHeader {
  bool signature = false;        // "BM"
  std::uint32_t fileSize = 0;    // offset 2
  std::uint32_t dataOffset = 0;  // offset 10: where the pixels start
  std::uint32_t headerSize = 0;  // offset 14: 40, 52, 56, 108, 124, ...
  std::int32_t width = 0;        // offset 18
  std::int32_t height = 0;       // offset 22: negative = rows stored top-down
  std::uint16_t planes = 0;      // offset 26
  std::uint16_t bitCount = 0;    // offset 28
  std::uint32_t compression = 0; // offset 30
  std::uint32_t dataSize = 0;    // offset 34: size of the pixel data
  std::uint32_t xResolution = 0; // offset 38: pixels per metre
  std::uint32_t yResolution = 0; // offset 42
  // Bit-field masks red, green, blue, alpha: after a 40-byte header or inside
  // a larger one (offsets 54, 58, 62, 66); 0 where the file has none.
  std::uint32_t masks[4] = {0, 0, 0, 0};
};

BmpHeader ParseBmpHeader(std::span<const std::uint8_t> bytes);

// Writes the file header and a 40-byte information header holding these
// fields (the header size is always 40; no colour table is announced).
void WriteClassicHeaders(const BmpHeader& header, std::span<std::uint8_t, kBmpClassicHeadersEnd> out);

}  // namespace korimo::media
