// The keyed order in which a sealed picture's bits are scattered.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/Korimocom.h"

namespace korimo::sealed {

using Korimocom::Byte;

// The keyed order of positions: a permutation of [0, size) computed index by
// index. An alternating Feistel network over the b-bit numbers (b the bits
// of size - 1, at least 1) splits x into a high part of b / 2 bits and a low
// part of b - b / 2 bits; each of its rounds adds (xor) a keyed random
// function of one part to the other and swaps them. The functions are
// tables of ChaCha20 key stream, one per round, with 2^(b - b / 2) entries: a
// few hundred kilobytes for a large picture, never the picture's size.
// Indices whose value falls outside the range walk the cycle on until it
// falls inside, which keeps it a permutation of [0, size).
class Permutation {
 public:
  static constexpr int kRounds = 8;
  Permutation(std::span<const Byte, 32> key, std::uint64_t size);
  ~Permutation();
  Permutation(const Permutation&) = delete;
  Permutation& operator=(const Permutation&) = delete;
  std::uint64_t operator()(std::uint64_t index) const;
  std::uint64_t size() const { return size_; }

 private:
  std::uint64_t size_;
  int highBits_;
  int lowBits_;
  std::vector<std::uint32_t> tables_[kRounds];
};

}  // namespace korimo::sealed
