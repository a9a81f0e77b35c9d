// The bit codec: one data byte in bit 0 of eight consecutive carrier bytes,
// most significant bit first; the 32-bit size field; and the text fields.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "engine/Korimocom.h"

namespace Korimocom {

using WorkArray = std::array<Byte, 8>;

void EmbedByte(WorkArray& work, Byte data);
Byte ExtractByte(const WorkArray& work);

// Writes image indices 54..85 and forces bit 0 of index 57 to 1 (kind 1).
// Raises a subscript error when ImageBytes is shorter than 86 bytes.
void WriteSizeField(const Long& value);
// The stored 28-bit size, or 0 when it is 0 or above ImageDataSize; sets CarrierKind.
Long ReadSizeField();

// ---- Whole-field helpers over ImageBytes (the hot loops) -------------------
// Data byte k of a field starting at image index `base` lies at base + 8k .. base + 8k + 7.
// Both are bit-for-bit equal to EmbedByte / ExtractByte per byte; the caller
// guarantees base + 8 * count <= ImageBytes.size().
void EmbedBytes(std::size_t base, const Byte* data, std::size_t count);
// The same into any carrier bytes: data byte k into p[8k .. 8k + 7].
void EmbedInto(Byte* p, const Byte* data, std::size_t count);
void ExtractBytes(std::size_t base, Byte* data, std::size_t count);
// The same from any carrier bytes: data byte k from p[8k .. 8k + 7].
void ExtractFrom(const Byte* p, Byte* data, std::size_t count);
// One data byte at `base`, bounds-checked (raises a subscript error).
void EmbedByteAt(std::size_t base, Byte data);
Byte ExtractByteAt(std::size_t base);

}  // namespace Korimocom
