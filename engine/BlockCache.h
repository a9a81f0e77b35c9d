// The file of a picture read on demand, in 4 KB blocks: which blocks of the
// picture's bytes are in memory already, and reading the others from the file.
//
// The file is read with pread, never mapped: a mapped file that is cut short
// while it is in use raises SIGBUS on the first access past its new end,
// which no caller could turn into a message. pread reports it as a short
// read, which ends the command as a read failure ("データがロードできません。").
#pragma once

#include <cstddef>
#include <stdexcept>
#include <vector>

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

class BlockCache {
 public:
  static constexpr std::size_t kBlock = 4 * 1024;

  // The open file `fd` of `size` bytes, owned (and closed) from now on; no
  // block in memory yet.
  BlockCache(int fd, std::size_t size);
  ~BlockCache();
  BlockCache(const BlockCache&) = delete;
  BlockCache& operator=(const BlockCache&) = delete;

  std::size_t Size() const { return size_; }
  std::size_t Blocks() const { return present_.size(); }
  bool Present(std::size_t block) const { return present_[block]; }
  void MarkPresent(std::size_t first, std::size_t end);
  // Bytes read into memory blocks so far (for tests and the benchmarks' notes).
  std::size_t BytesRead() const { return bytesRead_; }
  void CountRead(std::size_t bytes) { bytesRead_ += bytes; }

  // File bytes [from, to) into `out`. Throws ImageReadFailure.
  void Read(Byte* out, std::size_t from, std::size_t to) const;

 private:
  int fd_;
  std::size_t size_;
  std::vector<bool> present_;
  std::size_t bytesRead_ = 0;
};

}  // namespace Korimocom
