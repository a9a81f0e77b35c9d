// The classic BMP layout the carrier format relies on: a 14-byte file header,
// a 40-byte information header without compression, and 24- or 32-bit pixels
// stored as blue, green, red (and a fourth byte) from file offset 54 on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/ByteArray.h"

namespace korimo::media {

// The same picture in the classic layout, when `file` is a 24- or 32-bit BMP
// whose pixels do not start at offset 54 or whose colours are not plain
// blue-green-red bytes (a larger information header, colour masks, a colour
// table before the pixels):
//   - a 40-byte information header, no compression, pixels at 54, rows
//     bottom-up (a top-down picture is turned over), no colour table;
//   - the data-size field (offset 34), resolution, width and bit count as in
//     the original; the file-size field is the new length;
//   - pixels with the standard 8-bit masks keep their bytes; other masks are
//     converted to 8-bit blue, green, red (and alpha in the fourth byte of a
//     32-bit pixel) by scaling each channel to 0..255. Without an alpha mask
//     the fourth byte of a masked picture becomes 255 (opaque).
// Nothing when the file already has the classic layout, and nothing for a
// file this cannot read safely (unknown header or compression, pixels beyond
// the end of the file): such a file is used as it is.
// The result is a working-set array, so that it can take the place of ImageBytes.
std::optional<Korimocom::ByteArray> ClassicLayoutOf(std::span<const std::uint8_t> file);
// True when ClassicLayoutOf has nothing to do because the file already has the
// classic layout; decided from the headers alone.
bool HasClassicLayout(std::span<const std::uint8_t> file);

}  // namespace korimo::media
