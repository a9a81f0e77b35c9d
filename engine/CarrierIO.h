// The bit codec over the loaded picture: fields of the carrier embedded into
// and extracted from ImageBytes. Each call first makes sure the bytes it
// touches are there (see engine/ImageSource.h); for a picture read on demand a
// long field may be embedded later or taken straight from the file.
#pragma once

#include <cstddef>

#include "engine/BitCodec.h"
#include "engine/Korimocom.h"

namespace Korimocom {

// Writes image indices 54..85 and forces bit 0 of index 57 to 1 (kind 1).
// Raises a subscript error when ImageBytes is shorter than 86 bytes.
void WriteSizeField(const Long& value);
// The stored 28-bit size, or 0 when it is 0 or above ImageDataSize; sets CarrierKind.
Long ReadSizeField();

// Data byte k of a field starting at image index `base` lies at base + 8k .. base + 8k + 7.
// The caller guarantees base + 8 * count <= ImageBytes.size().
void EmbedBytes(std::size_t base, const Byte* data, std::size_t count);
void ExtractBytes(std::size_t base, Byte* data, std::size_t count);
// One data byte at `base`, bounds-checked (raises a subscript error).
void EmbedByteAt(std::size_t base, Byte data);
Byte ExtractByteAt(std::size_t base);

}  // namespace Korimocom
