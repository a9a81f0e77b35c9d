// Where the loaded picture's bytes come from. Read whole (the window), the
// picture is ImageBytes and this module does nothing. Read on demand
// (korimo-cli's info, extract and embed), ImageBytes gets the file's length in
// untouched zero pages and the picture gets a source: its open file in a
// BlockCache, from which each range is read when a procedure first reads or
// writes there, and at most one DeferredEmbedding of a long field.
//
// The source belongs to the loaded picture: LoadImageData gives the picture
// read on demand its source and ends the one of the picture before;
// RequireAllImageBytes ends it once the whole picture is in memory, so a
// picture rewritten or replaced after that (the classic rewrite) has none.
#pragma once

#include <cstddef>
#include <functional>

#include "engine/BlockCache.h"
#include "engine/Korimocom.h"

namespace Korimocom {

// Makes ImageBytes (already sized to the file's length) the on-demand image
// of the open file `fd`, which its source then owns and closes.
void ReadImageOnDemand(int fd);
// Ends the source; ImageBytes keeps what was read so far.
void StopReadingOnDemand();

// Makes ImageBytes[begin, end) hold the file's bytes (clamped to the array),
// with any deferred embedding applied. Throws ImageReadFailure when the file
// cannot give them.
void RequireImageBytes(std::size_t begin, std::size_t end);
// The whole file; the picture needs no source afterwards.
void RequireAllImageBytes();

// With a source, a field spanning many blocks is not embedded into memory at
// once (that would bring the whole picture in); it is kept and embedded into
// each block when the block is read, or into each part of the file as
// WriteImageBytes hands it out. False when the caller is to embed now.
bool DeferEmbedding(std::size_t base, const Byte* data, std::size_t count);

// With a source, a field spanning many blocks is taken part by part straight
// from the file (through a small buffer, with a deferred embedding applied)
// where its blocks are not in memory, so that the picture's bytes are not
// kept. False when the caller is to extract from ImageBytes. Throws
// ImageReadFailure.
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
