// The bit codec: one data byte in bit 0 of eight consecutive carrier bytes,
// most significant bit first. Pure bit manipulation over the bytes it is
// given; where the loaded picture's bytes come from is engine/CarrierIO.h.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "engine/Korimocom.h"

namespace Korimocom {

using WorkArray = std::array<Byte, 8>;

void EmbedByte(WorkArray& work, Byte data);
Byte ExtractByte(const WorkArray& work);

// ---- Whole fields (the hot loops) --------------------------------------------
// Data byte k into p[8k .. 8k + 7]; bit-for-bit equal to EmbedByte per byte.
void EmbedInto(Byte* p, const Byte* data, std::size_t count);
// Data byte k from p[8k .. 8k + 7]; bit-for-bit equal to ExtractByte per byte.
void ExtractFrom(const Byte* p, Byte* data, std::size_t count);

}  // namespace Korimocom
