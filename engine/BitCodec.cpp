#include "engine/BitCodec.h"

#include <bit>
#include <cstring>

#include "engine/CarrierLayout.h"
#include "engine/RuntimeError.h"
#include "platform/Cp932.h"

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

void EmbedByteAt(std::size_t base, Byte data) {
  if (base + 8 > ImageBytes.size() || base + 8 < base) korimo::RaiseSubscript();
  WorkArray work;
  std::memcpy(work.data(), ImageBytes.data() + base, 8);
  EmbedByte(work, data);
  std::memcpy(ImageBytes.data() + base, work.data(), 8);
}

Byte ExtractByteAt(std::size_t base) {
  if (base + 8 > ImageBytes.size() || base + 8 < base) korimo::RaiseSubscript();
  WorkArray work;
  std::memcpy(work.data(), ImageBytes.data() + base, 8);
  return ExtractByte(work);
}

void WriteSizeField(const Long& value) {
  using namespace korimo::layout;
  if (ImageBytes.size() < kCarrierStart + 32) korimo::RaiseSubscript();
  const auto v = static_cast<std::uint32_t>(value);
  for (int k = 0; k < 4; ++k)
    EmbedByteAt(kCarrierStart + 8 * k, static_cast<Byte>(v >> (24 - 8 * k)));
  ImageBytes[kSizeFieldBitIndex] |= 1;
}

Long ReadSizeField() {
  using namespace korimo::layout;
  // Bytes the image cannot hold stay 0: a too-small image reads as no sound.
  Byte field[4] = {0, 0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    const std::size_t base = kCarrierStart + 8 * k;
    if (base + 8 <= ImageBytes.size()) field[k] = ExtractByteAt(base);
  }
  CarrierKind = static_cast<Byte>((field[0] & 240) / 16);
  field[0] &= 15;
  const Long size = (Long{field[0]} << 24) | (Long{field[1]} << 16) | (Long{field[2]} << 8) | Long{field[3]};
  if (size == 0 || size > ImageDataSize) return 0;
  return size;
}

std::string FileTitleOf(const std::string& path) {
  const std::size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

Integer AnsiByteLength(const std::string& text) {
  const std::size_t n = korimo::cp932::FromUtf8(text).size();
  if (n > 32767) korimo::RaiseOverflow();
  return static_cast<Integer>(n);
}

std::string BytesToString(const Byte* bytes, std::size_t n) {
  if (n == 0) return {};
  return korimo::cp932::ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), n));
}

std::string BytesToString(const std::vector<Byte>& array, Long n) {
  if (n <= 0) return {};
  if (static_cast<std::size_t>(n) > array.size()) korimo::RaiseSubscript();
  return BytesToString(array.data(), static_cast<std::size_t>(n));
}

void StringToBytes(const std::string& text, std::vector<Byte>& array, Long limit, Long& count) {
  const std::string ansi = korimo::cp932::FromUtf8(text);
  if (ansi.size() >= static_cast<std::size_t>(limit < 0 ? 0 : limit)) {
    count = -1;
    return;
  }
  if (ansi.size() > array.size()) korimo::RaiseSubscript();
  std::memcpy(array.data(), ansi.data(), ansi.size());
  count = static_cast<Long>(ansi.size());
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

void EmbedBytes(std::size_t base, const Byte* data, std::size_t count) {
  Byte* p = ImageBytes.data() + base;
  for (std::size_t k = 0; k < count; ++k, p += 8)
    Store64(p, (Load64(p) & ~kLowBits) | kSpread.v[data[k]]);
}

void ExtractBytes(std::size_t base, Byte* data, std::size_t count) {
  const Byte* p = ImageBytes.data() + base;
  for (std::size_t k = 0; k < count; ++k, p += 8) data[k] = Gather(Load64(p));
}

}  // namespace Korimocom
