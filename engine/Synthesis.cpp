#include "engine/Synthesis.h"

#include <algorithm>

#include "engine/CarrierIO.h"
#include "engine/TextFields.h"
#include "engine/CarrierLayout.h"
#include "engine/RuntimeError.h"

namespace Korimocom {

namespace {

using namespace korimo::layout;

// CP932 byte lengths of the sound file name and the password, or -1 when a
// text is too long to count.
struct HeaderLengths {
  int name = -1;
  int password = -1;
};

HeaderLengths MeasureHeader() {
  HeaderLengths h;
  try {
    h.name = AnsiByteLength(FileTitleOf(SoundPath));
    h.password = AnsiByteLength(Password);
  } catch (const korimo::RuntimeError&) {
  }
  return h;
}

// The header block can be written: name and password within their limits (the
// password also exactly as typed) and the whole block inside ImageBytes.
bool HeaderWritable(const HeaderLengths& h, std::size_t imageBytes) {
  if (h.name < 0 || h.name > kMaxNameBytes || h.password < 0 || !PasswordFits(Password)) return false;
  return SoundAreaStart(h.name) <= imageBytes;
}

}  // namespace

bool CanSynthesize() { return CanSynthesize(ImageBytes.size()); }

bool CanSynthesize(std::size_t imageBytes) { return HeaderWritable(MeasureHeader(), imageBytes) && SoundSize >= 0; }

bool SoundAreaInImage() { return SoundAreaInImage(ImageBytes.size()); }

bool SoundAreaInImage(std::size_t imageBytes) {
  const HeaderLengths h = MeasureHeader();
  if (h.name < 0 || h.name > kMaxNameBytes || SoundSize < 0) return false;
  const auto at = static_cast<std::size_t>(SoundSize);
  std::int64_t used = std::int64_t{SoundSize} + 4;
  if (at + kMemoHeadBytes <= SoundBytes.size()) {
    const MemoHead head = ReadMemoHead(SoundBytes.data() + at);
    if (head.textBytes > 0) used = std::int64_t{SoundSize} + static_cast<std::int64_t>(head.RecordBytes());
  }
  return used <= EmbeddedAreaBytes(SoundAreaSize, h.name, imageBytes);
}

namespace {

// Writes signature, password and sound file name. Returns the image index
// where the sound area starts, or -1 (nothing written) when the name is 256
// bytes or more, the password does not fit (see PasswordFits), or the image
// is too small.
Long WriteHeaderBlock() {
  const HeaderLengths h = MeasureHeader();
  if (!HeaderWritable(h, ImageBytes.size())) return -1;

  std::vector<Byte> buffer(257, 0);
  Long count = 0;
  StringToBytes(kSignature, buffer, 256, count);
  for (Long d = 0; d < count; ++d) EmbedByteAt(kSignatureIndex + 8 * d, buffer[d]);

  EmbedByteAt(kPasswordLengthIndex, static_cast<Byte>(h.password));
  StringToBytes(Password, buffer, 256, count);
  std::fill(buffer.begin() + std::max<Long>(count, 0), buffer.begin() + kPasswordSlots, Byte{0});
  EmbedBytes(kPasswordIndex, buffer.data(), kPasswordSlots);

  EmbedByteAt(kNameLengthIndex, static_cast<Byte>(h.name));
  StringToBytes(FileTitleOf(SoundPath), buffer, 256, count);
  EmbedBytes(kNameIndex, buffer.data(), static_cast<std::size_t>(h.name));
  return static_cast<Long>(SoundAreaStart(h.name));
}

}  // namespace

void SynthesizeSound() {
  // Every refusal is decided before the first bit is written, so a refused
  // synthesis leaves ImageBytes exactly as it was.
  if (!CanSynthesize()) {
    OperationFailed = 1;
    return;
  }
  const HeaderLengths h = MeasureHeader();
  WriteSizeField(SoundSize);
  const Long start = WriteHeaderBlock();
  if (start < 0) {
    OperationFailed = 1;
    return;
  }
  // The whole sound area (memo record and trailing zeros included) up to the
  // embedding limit.
  std::size_t count = static_cast<std::size_t>(EmbeddedAreaBytes(SoundAreaSize, h.name));
  count = std::min(count, SoundBytes.size());
  EmbedBytes(static_cast<std::size_t>(start), SoundBytes.data(), count);
  ImageSaved = 0;
}

}  // namespace Korimocom
