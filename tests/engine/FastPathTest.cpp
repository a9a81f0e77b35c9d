// The bulk codec works on 64-bit words and, where the CPU has them, on
// 128-bit vectors of 16 data bytes per step with a word-by-word remainder.
// Every combination of start alignment and remainder length must agree with
// the one-byte primitive and stay inside its field.
#include <random>

#include "tests/support/EngineFixture.h"

namespace korimo::test {
namespace {

using kc::WorkArray;

Bytes RandomBytes(std::size_t n, std::mt19937& rng) {
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

// What EmbedBytes must produce: EmbedByte on copies of each eight-byte group.
Bytes EmbedReference(Bytes image, std::size_t base, const Bytes& data) {
  for (std::size_t k = 0; k < data.size(); ++k) {
    WorkArray w;
    std::copy_n(image.begin() + base + 8 * k, 8, w.begin());
    kc::EmbedByte(w, data[k]);
    std::copy_n(w.begin(), 8, image.begin() + base + 8 * k);
  }
  return image;
}

class FastPathTest : public EngineTest {};

TEST_F(FastPathTest, EveryAlignmentAndLengthMatchesPerByteCodec) {
  std::mt19937 rng(2024);
  // Lengths around the vector step (16 data bytes) and a few larger
  // ones with every remainder; bases cover all 16 alignments.
  std::vector<std::size_t> counts;
  for (std::size_t n = 0; n <= 40; ++n) counts.push_back(n);
  for (std::size_t n : {63u, 64u, 65u, 127u, 128u, 129u, 1000u, 1001u}) counts.push_back(n);

  for (std::size_t base = 0; base < 16; ++base) {
    for (std::size_t count : counts) {
      // Guard bytes on both sides of the field must never change.
      const Bytes image = RandomBytes(base + 8 * count + 24, rng);
      const Bytes data = RandomBytes(count, rng);

      kc::ImageBytes = image;
      kc::EmbedBytes(base, data.data(), count);
      ASSERT_EQ(kc::ImageBytes, EmbedReference(image, base, data)) << "base " << base << " count " << count;

      // Extraction of the untouched picture reads exactly what ExtractByte
      // reads, and writes nothing past `count`.
      kc::ImageBytes = image;
      Bytes out(count + 9, 0xCC);
      kc::ExtractBytes(base, out.data(), count);
      for (std::size_t k = 0; k < count; ++k) {
        WorkArray w;
        std::copy_n(image.begin() + base + 8 * k, 8, w.begin());
        ASSERT_EQ(out[k], kc::ExtractByte(w)) << "base " << base << " count " << count << " k " << k;
      }
      for (std::size_t k = count; k < out.size(); ++k) ASSERT_EQ(out[k], 0xCC) << "wrote past the field";
    }
  }
}

// Every data value in every lane of a vector step, on carrier bytes that are
// all ones and all zeros (the bits 1 to 7 must come through unchanged).
TEST_F(FastPathTest, AllByteValuesInEveryLane) {
  Bytes data(256);
  for (int v = 0; v < 256; ++v) data[v] = static_cast<std::uint8_t>(v);
  for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x5A}}) {
    for (std::size_t shift = 0; shift < 16; ++shift) {
      Bytes rotated(256);
      for (std::size_t k = 0; k < 256; ++k) rotated[k] = data[(k + shift) % 256];
      const Bytes image(8 * 256, fill);
      kc::ImageBytes = image;
      kc::EmbedBytes(0, rotated.data(), rotated.size());
      ASSERT_EQ(kc::ImageBytes, EmbedReference(image, 0, rotated)) << "fill " << int(fill) << " shift " << shift;
      Bytes back(256);
      kc::ExtractBytes(0, back.data(), back.size());
      ASSERT_EQ(back, rotated);
    }
  }
}

}  // namespace
}  // namespace korimo::test
