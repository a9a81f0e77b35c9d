#pragma once

#include <string>

namespace Korimocom {

// Writes ImageBytes to path. The target ends up holding exactly ImageBytes, or
// on failure its old contents. ImageSaved = 1 on success.
void SaveImageData(const std::string& path);

}  // namespace Korimocom
