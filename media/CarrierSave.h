#pragma once

#include <string>

namespace Korimocom {

// Writes ImageBytes to path. The target ends up holding exactly ImageBytes, or
// on failure its old contents (after its message). True, and ImageSaved = 1,
// when it was saved.
bool SaveImageData(const std::string& path);

}  // namespace Korimocom
