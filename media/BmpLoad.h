#pragma once

#include <string>

namespace Korimocom {

// Reads a BMP of 24 bits per pixel or more into ImageBytes and sizes the empty
// sound area. Outcome in ImageLoaded and OperationFailed.
void LoadImageData(const std::string& path);

}  // namespace Korimocom
