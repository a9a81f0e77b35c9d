// The BMP file and information headers, read from the leading bytes of a
// file. The one place that knows where the header fields lie; the image
// loader, the window's picture preview and the image fuzzer all use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace korimo::media {

// File header (14 bytes) and the start of the information header.
inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;  // the classic information header
inline constexpr std::size_t kBmpClassicHeadersEnd = kBmpFileHeaderSize + kBmpInfoHeaderSize;  // 54
// The fields the image loader reads come from the first 55 bytes.
inline constexpr std::size_t kBmpProbeSize = 55;

// Information header sizes: the classic 40 bytes; 52 and 56, the 40-byte
// layout followed by the colour masks (56 with the alpha mask); 64, the other
// family's second version, with the 40-byte layout in front; 108 and 124,
// versions 4 and 5.
inline constexpr std::uint32_t kBmpInfoHeaderWithMasks = 52;
inline constexpr std::uint32_t kBmpInfoHeaderWithAlphaMask = 56;
inline constexpr std::uint32_t kBmpOtherFamilyHeader = 64;
inline constexpr std::uint32_t kBmpV4HeaderSize = 108;
inline constexpr std::uint32_t kBmpV5HeaderSize = 124;

inline constexpr std::uint32_t kBmpUncompressed = 0;
inline constexpr std::uint32_t kBmpBitFields = 3;
inline constexpr std::uint32_t kBmpAlphaBitFields = 6;

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

// Where the rows of 24- or 32-bit pixels lie.
struct PixelGeometry {
  std::uint64_t rows = 0;  // always positive
  bool bottomUp = true;
  std::size_t bytesPerPixel = 0;
  std::uint64_t stride = 0;  // bytes a row takes, padding included
  std::size_t pixelBytes = 0;
};

// The pixel rows of `header` in a file of `length` bytes whose headers (and
// masks) end at `headersEnd`: a positive width, a height neither 0 nor -2^31,
// 24 or 32 bits per pixel, pixels starting after the headers, and every row
// inside the file (checked by division, so lying sizes cannot overflow).
// Otherwise nothing, and `reason` (when given) says why in a few words.
std::optional<PixelGeometry> PixelGeometryOf(const BmpHeader& header, std::size_t headersEnd, std::size_t length,
                                             std::string* reason = nullptr);

// Writes the file header and a 40-byte information header holding these
// fields (the header size is always 40; no colour table is announced).
void WriteClassicHeaders(const BmpHeader& header, std::span<std::uint8_t, kBmpClassicHeadersEnd> out);

}  // namespace korimo::media
