// Whole-file reads for korimo-cli's own inputs (the memo file).
#pragma once

#include <optional>
#include <string>

namespace korimo::cli {

// The whole file, or std::nullopt when it cannot be read (missing, a
// directory, unreadable).
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace korimo::cli
