// Pictures in other formats for the open-image command: PNG, JPEG, WebP,
// TIFF, GIF (its first frame) and whatever else Qt's image readers decode.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace korimo::ui {

// The picture at `path` as a classic 24-bit BMP (40-byte header, pixels at
// 54, rows bottom-up), transparent parts laid onto white and turned as its
// orientation tag says. Nothing when the file is a BMP (or starts like one),
// is no regular file, or Qt cannot read it: the BMP loader then takes it and
// answers with its own message.
std::optional<std::vector<std::uint8_t>> ImportPicture(const QString& path);

// The name the save dialog proposes for a picture opened from `path`: the
// same name with ".bmp" when it was converted, else nothing.
QString ProposedCarrierName(const QString& path);

}  // namespace korimo::ui
