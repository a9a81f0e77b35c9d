#include "engine/CarrierIO.h"

#include <cstring>

#include "engine/BitCodec.h"
#include "engine/CarrierLayout.h"
#include "engine/ImageSource.h"
#include "engine/RuntimeError.h"

namespace Korimocom {

void EmbedByteAt(std::size_t base, Byte data) {
  if (base + 8 > ImageBytes.size() || base + 8 < base) korimo::RaiseSubscript();
  RequireImageBytes(base, base + 8);
  WorkArray work;
  std::memcpy(work.data(), ImageBytes.data() + base, 8);
  EmbedByte(work, data);
  std::memcpy(ImageBytes.data() + base, work.data(), 8);
}

Byte ExtractByteAt(std::size_t base) {
  if (base + 8 > ImageBytes.size() || base + 8 < base) korimo::RaiseSubscript();
  RequireImageBytes(base, base + 8);
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

void EmbedBytes(std::size_t base, const Byte* data, std::size_t count) {
  // A picture read on demand may take a long field later, part by part.
  if (DeferEmbedding(base, data, count)) return;
  RequireImageBytes(base, base + 8 * count);
  EmbedInto(ImageBytes.data() + base, data, count);
}

void ExtractBytes(std::size_t base, Byte* data, std::size_t count) {
  // A long field of a picture read on demand may be taken straight from the file.
  if (ExtractStreamed(base, data, count)) return;
  RequireImageBytes(base, base + 8 * count);
  ExtractFrom(ImageBytes.data() + base, data, count);
}

}  // namespace Korimocom
