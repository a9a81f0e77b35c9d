#include "media/BmpLoad.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/RuntimeError.h"
#include "media/FileIO.h"
#include "platform/Platform.h"

namespace Korimocom {

namespace {

namespace platform = korimo::platform;
namespace fileio = korimo::fileio;

// BMP header fields read (little-endian file offsets).
constexpr std::size_t kProbeSize = 55;
constexpr std::size_t kFileSizeField = 2;
constexpr std::size_t kBitCountField = 28;
constexpr std::size_t kDataSizeField = 34;
constexpr int kMinBitCount = 24;

// Shows a message with the normal cursor and puts the hourglass back.
void ShowBetweenWaits(const char* text) {
  platform::Current().SetWaitCursor(false);
  platform::Notify(text);
  platform::Current().SetWaitCursor(true);
}

// Only the first error of a call is reported.
struct ErrorOnce {
  bool raised = false;
  void Raise() {
    if (!raised) ShowBetweenWaits(korimo::msg::kCannotLoad);
    raised = true;
  }
};

// A 32-bit little-endian field as a signed Long; false when it does not fit.
bool ReadLong(const Byte* p, Long& out) {
  const std::uint32_t v = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                          (std::uint32_t{p[3]} << 24);
  if (v > 0x7FFFFFFFu) return false;
  out = static_cast<Long>(v);
  return true;
}

}  // namespace

void LoadImageData(const std::string& path) {
  CarrierKind = 1;
  ErrorOnce error;

  Byte probe[kProbeSize] = {};
  std::size_t firstLength = 0;
  // A path that does not exist reads like an empty file (refused below, and
  // never created); any other failure to open is a load error.
  const int fd = fileio::OpenForRead(path);
  if (fd < 0) {
    if (errno != ENOENT) error.Raise();
  } else {
    firstLength = fileio::FileLength(fd).value_or(0);
    if (fileio::ReadUpTo(fd, probe, kProbeSize) < 0) error.Raise();
    fileio::Close(fd);
  }

  bool rejected = !(probe[0] == 0x42 && probe[1] == 0x4D);
  Long fileSize = 0, dataSize = 0;
  Integer bitCount = 0;
  if (!rejected) {
    if (!ReadLong(probe + kFileSizeField, fileSize)) error.Raise();
    const int bits = probe[kBitCountField] | (probe[kBitCountField + 1] << 8);
    if (bits > 32767)
      error.Raise();  // the bit count then counts as 0
    else
      bitCount = static_cast<Integer>(bits);
    if (!ReadLong(probe + kDataSizeField, dataSize)) error.Raise();
    rejected = bitCount < kMinBitCount;
  }
  if (rejected) {
    ShowBetweenWaits(korimo::msg::kCannotRead);
    OperationFailed = 1;
    return;
  }
  if (error.raised) return;

  // The whole file, in one read straight into ImageBytes.
  ImageLoaded = 1;
  bool readOk = false;
  const int whole = fileio::OpenForRead(path);
  if (whole >= 0) {
    // A file that shrank or changed its header since the probe is not the
    // file the header values came from: that is a read failure.
    const auto length = fileio::FileLength(whole);
    if (length && *length >= firstLength) {
      try {
        std::vector<Byte>().swap(ImageBytes);  // free the old image before the new one arrives
        ImageBytes.reserve(*length);
        PrefaultLargeBuffer(ImageBytes.data(), ImageBytes.capacity());
        ImageBytes.resize(*length);
        readOk = fileio::ReadUpTo(whole, ImageBytes.data(), *length) == static_cast<long long>(*length) &&
                 (firstLength == 0 || std::memcmp(ImageBytes.data(), probe, std::min(kProbeSize, firstLength)) == 0);
      } catch (const std::bad_alloc&) {
      }
    }
    fileio::Close(whole);
  }
  if (!readOk) {
    error.Raise();
    std::vector<Byte>().swap(ImageBytes);
    ImageLoaded = 0;
    ImageFileSize = 0;
    ImageDataSize = 0;
    ImageBitCount = 0;
    SoundAreaSize = 0;
    Redim(SoundBytes, 256);
    return;
  }

  ImageFileSize = fileSize;
  ImageDataSize = dataSize;
  ImageBitCount = bitCount;
  SoundAreaSize = korimo::layout::EmptySoundAreaSize(ImageDataSize);
  // A data-size field below 84 gives a negative area: the image stays loaded
  // but the sound buffer cannot be made.
  if (SoundAreaSize < 0) {
    error.Raise();
    return;
  }
  try {
    Redim(SoundBytes, SoundAreaSize);
  } catch (const std::bad_alloc&) {
    error.Raise();
  }
}

}  // namespace Korimocom
