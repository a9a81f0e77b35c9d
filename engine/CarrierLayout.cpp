#include "engine/CarrierLayout.h"

#include <algorithm>
#include <cmath>

#include "engine/CarrierIO.h"
#include "engine/TextFields.h"
#include "engine/RuntimeError.h"
#include "platform/Cp932.h"

namespace korimo::layout {

using namespace Korimocom;

Long Nearest(double x) {
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  const double r = std::nearbyint(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) RaiseOverflow();
  return static_cast<Long>(r);
}

Long EmptySoundAreaSize(Long imageDataSize) { return Nearest(imageDataSize / 8.0 - 11); }

Long SoundAreaSizeFor(Long imageDataSize, int nameBytes) {
  return Nearest(imageDataSize / 8.0 - nameBytes - 16);
}

namespace {

// Number of data bytes k >= 0 with start + 8k + 7 < limit.
std::int64_t BytesBelow(std::int64_t start, std::int64_t limit) {
  const std::int64_t room = limit - start - 7;
  return room <= 0 ? 0 : (room + 7) / 8;
}

}  // namespace

Long EmbeddedAreaBytes(Long soundAreaSize, int nameBytes) {
  return EmbeddedAreaBytes(soundAreaSize, nameBytes, ImageBytes.size());
}

Long EmbeddedAreaBytes(Long soundAreaSize, int nameBytes, std::size_t imageBytes) {
  const auto start = static_cast<std::int64_t>(SoundAreaStart(nameBytes));
  std::int64_t e = std::max<std::int64_t>(0, soundAreaSize);
  e = std::min(e, BytesBelow(start, ImageDataSize));
  e = std::min(e, BytesBelow(start, static_cast<std::int64_t>(imageBytes)));
  return static_cast<Long>(e);
}

Long LargestSound(int nameBytes) {
  return EmbeddedAreaBytes(SoundAreaSizeFor(ImageDataSize, nameBytes), nameBytes) - 4;
}

bool SoundFits(Long soundSize, int nameBytes) {
  if (nameBytes < 0 || nameBytes > kMaxNameBytes) return false;
  return soundSize <= LargestSound(nameBytes);
}

Long MemoCapacityFor() {
  const int n = AnsiByteLength(FileTitleOf(SoundPath));
  if (n > kMaxNameBytes) return 0;
  const std::int64_t room =
      std::int64_t{EmbeddedAreaBytes(SoundAreaSize, n)} - SoundSize - kMemoRecordOverhead;
  return static_cast<Long>(std::clamp<std::int64_t>(room, -1, kMemoCapacityCap));
}

std::string StoredSoundName() {
  if (kNameIndex > ImageBytes.size()) return {};
  const Byte n = ExtractByteAt(kNameLengthIndex);
  if (SoundAreaStart(n) > ImageBytes.size()) return {};
  std::vector<Byte> name(n);
  ExtractBytes(kNameIndex, name.data(), n);
  return BytesToString(name, n);
}

bool PasswordFits(const std::string& utf8) {
  const auto ansi = cp932::FromUtf8Exact(utf8);
  return ansi && ansi->size() <= static_cast<std::size_t>(kPasswordLimit);
}

std::string TempWavPath() { return TempDir + kTempFileName; }

MemoHead ReadMemoHead(const Korimocom::Byte* head) {
  MemoHead value;
  value.textBytes = std::uint32_t{head[0]} << 24 | std::uint32_t{head[1]} << 16 | std::uint32_t{head[2]} << 8 | head[3];
  value.nameBytes = head[4];
  return value;
}

void WriteMemoHead(Korimocom::Byte* head, const MemoHead& value) {
  for (int k = 0; k < 4; ++k) head[k] = static_cast<Korimocom::Byte>(value.textBytes >> (24 - 8 * k));
  head[4] = static_cast<Korimocom::Byte>(value.nameBytes);
}

}  // namespace korimo::layout
