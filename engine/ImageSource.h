// Reading the loaded picture on demand. korimo-cli's info needs a few hundred
// bytes of a picture that may hold hundreds of megabytes, and its extract the
// bytes that carry the sound. For them ImageBytes gets the file's length in
// untouched zero pages, and the file stays open: the codec fills each range
// from it, in 4 KB blocks (pages), when a procedure first reads or writes there.
// Without an open source (the window, embedding) every call here is a no-op.
#pragma once

#include <cstddef>
#include <stdexcept>

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

// Makes ImageBytes[begin, end) hold the file's bytes (clamped to the array).
// Throws ImageReadFailure when the file cannot give them. An array that was
// replaced since the source was opened is left alone and the source closed.
void RequireImageBytes(std::size_t begin, std::size_t end);
// The whole file, for saving.
void RequireAllImageBytes();

// Bytes of the file read into ImageBytes since the source was opened (for tests
// and the benchmarks' notes).
std::size_t ImageBytesReadOnDemand();

}  // namespace Korimocom
