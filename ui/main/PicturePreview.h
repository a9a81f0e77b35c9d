// A small picture for the window, sampled straight from the BMP bytes already
// in memory, so that opening a large carrier does not decode every pixel.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <span>

namespace korimo::ui {

// Builds a Format_RGB32 picture of at most `maxSize` (never larger than the
// BMP itself) from a whole BMP file held in `bytes` (index = file offset).
// Each output pixel averages four samples of the source area it covers.
//
// Handles the common shape only: "BM", an information header of 40, 108 or
// 124 bytes, width > 0, height != 0 (negative = rows top-down), one plane,
// 24 or 32 bits per pixel, uncompressed (or 32-bit bit fields with the plain
// 8-8-8 masks and no alpha mask), pixel data after the headers, and every
// pixel row inside `bytes`. Returns a null image for anything else, so that
// the caller can fall back to a full decoder.
QImage PicturePreview(std::span<const std::uint8_t> bytes, QSize maxSize);

}  // namespace korimo::ui
