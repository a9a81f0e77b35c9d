#pragma once

#include <span>
#include <string>

#include "engine/Korimocom.h"

namespace Korimocom {

// Reads a BMP of 24 bits per pixel or more into ImageBytes and sizes the empty
// sound area. Outcome in ImageLoaded and OperationFailed.
void LoadImageData(const std::string& path);
// The same from a whole file already in memory.
void LoadImageData(std::span<const Byte> file);

}  // namespace Korimocom
