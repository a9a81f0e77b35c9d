// Sizing the working set's byte arrays.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/Korimocom.h"

namespace Korimocom {

// Re-creates `array` with indices 0..n (n + 1 zero bytes). A large array gets
// fresh zero pages, so an area that is never written costs no memory.
void Redim(ByteArray& array, Long n);

// Backs a large buffer that has not been touched yet with memory in one go:
// huge pages where the system offers them, and the page tables filled by one
// call instead of one page fault per 4 KB on first touch (the dominant cost of
// loading a large picture). Only a hint: small buffers, and systems without
// these features, are left alone.
void PrefaultLargeBuffer(void* data, std::size_t size);

}  // namespace Korimocom
