#include "engine/BitCodec.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif


namespace Korimocom {

void EmbedByte(WorkArray& work, Byte data) {
  for (int i = 0; i < 8; ++i) {
    const int mask = 1 << (7 - i);
    const Byte bit = static_cast<Byte>((data & mask) / mask);
    work[i] = static_cast<Byte>((work[i] & 254) | bit);
  }
}

Byte ExtractByte(const WorkArray& work) {
  Byte result = 0;
  for (int i = 0; i < 8; ++i) result = static_cast<Byte>(result | ((work[i] & 1) << (7 - i)));
  return result;
}

// ---- Bulk codec --------------------------------------------------------------
// Eight carrier bytes are handled as one 64-bit word. Carrier byte i of a data
// byte holds data bit 7 - i, so in a little-endian load byte i sits at bit
// 8i; the table spreads the eight data bits over those bit-0 positions.

namespace {

constexpr std::uint64_t kLowBits = 0x0101010101010101ULL;

struct SpreadTable {
  std::uint64_t v[256];
  constexpr SpreadTable() : v() {
    for (int d = 0; d < 256; ++d) {
      std::uint64_t w = 0;
      for (int i = 0; i < 8; ++i)
        if (d & (1 << (7 - i))) w |= std::uint64_t{1} << (8 * i);
      v[d] = w;
    }
  }
};
constexpr SpreadTable kSpread;

inline std::uint64_t Load64(const Byte* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

inline void Store64(Byte* p, std::uint64_t w) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  std::memcpy(p, &w, 8);
}

// Gathers bit 0 of each of the eight bytes: byte i's bit lands at 7 - i.
inline Byte Gather(std::uint64_t w) {
  w &= kLowBits;
  // Multiplying by this constant moves bit 8i to bit 63 - i for every i without
  // collisions; the top byte then holds the bits in order byte0..byte7 = MSB..LSB.
  return static_cast<Byte>((w * 0x8040201008040201ULL) >> 56);
}

}  // namespace

// With SSE2 (part of every x86-64 CPU, so no build flag is needed) sixteen
// data bytes are spread over, or gathered from, 128 carrier bytes per step;
// the scalar word loops handle the remainder and every other CPU.

void EmbedInto(Byte* p, const Byte* data, std::size_t count) {
  std::size_t k = 0;
#if defined(__SSE2__)
  // Each data byte is broadcast to eight lanes; lane i keeps only data bit
  // 7 - i, and min(lane, 1) turns that into the 0 or 1 of its carrier byte.
  const __m128i bitOfLane = _mm_set_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  const __m128i one = _mm_set1_epi8(1);
  const __m128i keep = _mm_set1_epi8(static_cast<char>(0xFE));
  for (; k + 16 <= count; k += 16, p += 128) {
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + k));
    const __m128i d2[2] = {_mm_unpacklo_epi8(d, d), _mm_unpackhi_epi8(d, d)};
    for (int h = 0; h < 2; ++h) {
      const __m128i d4[2] = {_mm_unpacklo_epi16(d2[h], d2[h]), _mm_unpackhi_epi16(d2[h], d2[h])};
      for (int q = 0; q < 2; ++q) {
        // Two data bytes, each in eight lanes.
        const __m128i d8[2] = {_mm_unpacklo_epi32(d4[q], d4[q]), _mm_unpackhi_epi32(d4[q], d4[q])};
        for (int e = 0; e < 2; ++e) {
          auto* at = reinterpret_cast<__m128i*>(p + 64 * h + 32 * q + 16 * e);
          const __m128i bits = _mm_min_epu8(_mm_and_si128(d8[e], bitOfLane), one);
          _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(at), keep), bits));
        }
      }
    }
  }
#endif
  for (; k < count; ++k, p += 8) Store64(p, (Load64(p) & ~kLowBits) | kSpread.v[data[k]]);
}

void ExtractFrom(const Byte* p, Byte* data, std::size_t count) {
  std::size_t k = 0;
#if defined(__SSE2__)
  // Carrier byte i of a group of eight becomes 2^(7 - i) when its bit 0 is
  // set and 0 otherwise; a sum of absolute differences against zero adds up
  // each group of eight, giving one data byte per 64-bit lane. Packing then
  // gathers the sixteen data bytes of a step side by side.
  const __m128i one = _mm_set1_epi8(1);
  const __m128i zero = _mm_setzero_si128();
  const __m128i weightOfLane = _mm_set_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  for (; k + 16 <= count; k += 16, p += 128) {
    __m128i sums[8];
    for (int j = 0; j < 8; ++j) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * j));
      const __m128i set = _mm_cmpeq_epi8(_mm_and_si128(v, one), one);
      sums[j] = _mm_sad_epu8(_mm_and_si128(set, weightOfLane), zero);
    }
    // Each sum is below 256, so the saturating packs keep it unchanged.
    const __m128i words0 = _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[3]));
    const __m128i words1 = _mm_packus_epi16(_mm_packs_epi32(sums[4], sums[5]), _mm_packs_epi32(sums[6], sums[7]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(data + k), _mm_packus_epi16(words0, words1));
  }
#endif
  for (; k < count; ++k, p += 8) data[k] = Gather(Load64(p));
}

}  // namespace Korimocom
