#pragma once

#include <span>
#include <string>

#include "engine/Korimocom.h"

namespace Korimocom {

// How LoadImageData takes the picture's bytes: the whole file in one read (the
// window shows the whole picture and embedding rewrites it), or on demand,
// each range when the codec first needs it (korimo-cli's info and extract;
// see engine/ImageSource.h). The header checks are the same either way.
enum class ImageReading { Whole, OnDemand };

// Reads a BMP of 24 bits per pixel or more into ImageBytes and sizes the empty
// sound area. Outcome in ImageLoaded and OperationFailed.
void LoadImageData(const std::string& path, ImageReading reading = ImageReading::Whole);
// The same from a whole file already in memory (read whole: it is).
void LoadImageData(std::span<const Byte> file);

}  // namespace Korimocom
