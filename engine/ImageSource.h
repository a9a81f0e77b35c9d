// Reading the loaded picture on demand. korimo-cli's info needs a few hundred
// bytes of a picture that may hold hundreds of megabytes, its extract the
// bytes that carry the sound, and its embed rewrites bit 0 across the whole
// picture on its way to a new file. For them ImageBytes gets the file's length
// in untouched zero pages, and the file stays open: the codec fills each range
// from it, in 4 KB blocks, when a procedure first reads or writes there.
// Without an open source (the window) every call here is a no-op.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>

#include "engine/Korimocom.h"

namespace Korimocom {

// The file could not be read when a range of it was needed: an I/O error, or
// the file is shorter now than when it was loaded. It ends the current command
// as a read failure of the picture ("データがロードできません。"); it is no
// run-time error of a procedure, so the extraction does not take it for a
// damaged carrier.
class ImageReadFailure : public std::runtime_error {
 public:
  ImageReadFailure() : std::runtime_error("the picture could not be read") {}
};

// Makes ImageBytes (already sized to the file's length) the on-demand image
// of the open file `fd`, which this module then owns and closes.
void ReadImageOnDemand(int fd);
// Closes the source; ImageBytes keeps what was read so far.
void StopReadingOnDemand();

// Makes ImageBytes[begin, end) hold the file's bytes (clamped to the array),
// with any deferred embedding applied. Throws ImageReadFailure when the file
// cannot give them. An array that was replaced since the source was opened is
// left alone and the source closed.
void RequireImageBytes(std::size_t begin, std::size_t end);
// The whole file.
void RequireAllImageBytes();

// Called by EmbedBytes: with an on-demand source, a field spanning many
// blocks is not embedded into memory at once (that would bring the whole
// picture in); it is kept and embedded into each block when the block is read,
// or into each part of the file as WriteImageBytes hands it out. The data's
// bytes are copied up to its last non-zero byte (the rest are zeros), so the
// caller's array may change afterwards. False when the caller is to embed now.
bool DeferEmbedding(std::size_t base, const Byte* data, std::size_t count);

// Called by ExtractBytes: with an on-demand source, a field spanning many
// blocks is taken part by part straight from the file (through a small
// buffer, with a deferred embedding applied) where its blocks are not in
// memory, so that the picture's bytes are not kept. False when the caller is
// to extract from ImageBytes. Throws ImageReadFailure.
bool ExtractStreamed(std::size_t base, Byte* data, std::size_t count);

// Hands ImageBytes to `write` in order, in parts, as a procedure reading it
// whole would see it: blocks not read yet come from the file (through a small
// buffer, with a deferred embedding applied) and are not kept. Returns false
// when `write` fails; throws ImageReadFailure when the file cannot give a part.
bool WriteImageBytes(const std::function<bool(const Byte* data, std::size_t size)>& write);

// Bytes of the file read into ImageBytes since the source was opened (for tests
// and the benchmarks' notes).
std::size_t ImageBytesReadOnDemand();

}  // namespace Korimocom
