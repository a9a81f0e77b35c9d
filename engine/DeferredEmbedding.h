// A long field kept to be embedded later, part by part. A picture read on
// demand would have to come into memory whole if a field covering most of it
// (the sound area) were embedded at once; instead the field is kept here and
// embedded into each part of the picture as that part is read or written out.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/Korimocom.h"

namespace Korimocom {

class DeferredEmbedding {
 public:
  // The field of `count` data bytes whose byte 0 goes to image index `base`.
  // Only the data up to its last non-zero byte is copied (a sound area is
  // mostly trailing zeros), so the caller's array may change afterwards.
  // Throws std::bad_alloc when the copy cannot be had.
  DeferredEmbedding(std::size_t base, const Byte* data, std::size_t count);

  // The image index just past the field.
  std::size_t End() const { return base_ + 8 * count_; }

  // Embeds the field's part that falls in [from, to) into `dst`, which holds
  // image bytes [from, to). Groups of eight that the range cuts get their
  // bits one by one.
  void ApplyTo(Byte* dst, std::size_t from, std::size_t to) const;

 private:
  std::size_t base_;
  std::size_t count_;
  std::vector<Byte> head_;  // the data up to its last non-zero byte; the rest are 0
};

}  // namespace Korimocom
