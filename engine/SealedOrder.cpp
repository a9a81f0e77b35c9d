#include "engine/SealedOrder.h"

#include <sodium.h>

#include <stdexcept>
#include <utility>

#include "engine/RuntimeError.h"
#include "engine/SealedSecrets.h"

namespace korimo::sealed {

Permutation::Permutation(std::span<const Byte, 32> key, std::uint64_t size) : size_(size) {
  RequireSodium();
  int bits = 1;
  while (bits < 64 && (std::uint64_t{1} << bits) < size) ++bits;
  // A picture is below 4 GB: 32 bits, tables of 2^16 entries.
  if (bits > 40) throw korimo::RuntimeError("position range too large");
  highBits_ = bits / 2;
  lowBits_ = bits - highBits_;
  // Round r applies its function to the part that is low in even rounds and
  // high in odd ones; its table covers that part's values.
  for (int r = 0; r < kRounds; ++r) {
    const int inputBits = r % 2 == 0 ? lowBits_ : highBits_;
    tables_[r].resize(std::size_t{1} << inputBits);
    Byte nonce[crypto_stream_chacha20_ietf_NONCEBYTES] = {static_cast<Byte>(r)};
    crypto_stream_chacha20_ietf(reinterpret_cast<Byte*>(tables_[r].data()), tables_[r].size() * sizeof(std::uint32_t),
                                nonce, key.data());
  }
}

Permutation::~Permutation() {
  for (auto& table : tables_) sodium_memzero(table.data(), table.size() * sizeof(std::uint32_t));
}

std::uint64_t Permutation::operator()(std::uint64_t index) const {
  std::uint64_t x = index;
  do {
    // (a, b): a holds aBits, b holds bBits; each round a ^= F(b), then swap.
    std::uint64_t a = x >> lowBits_;
    std::uint64_t b = x & ((std::uint64_t{1} << lowBits_) - 1);
    int aBits = highBits_;
    int bBits = lowBits_;
    for (int r = 0; r < kRounds; ++r) {
      const std::uint64_t mixed = a ^ (tables_[r][b] & ((std::uint64_t{1} << aBits) - 1));
      a = b;
      b = mixed;
      std::swap(aBits, bBits);
    }
    x = (a << bBits) | b;
  } while (x >= size_);
  return x;
}

}  // namespace korimo::sealed
