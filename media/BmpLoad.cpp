#include "media/BmpLoad.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "engine/CarrierLayout.h"
#include "engine/Buffers.h"
#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/RuntimeError.h"
#include "media/BmpHeader.h"
#include "media/InputSource.h"
#include "platform/FileIO.h"
#include "platform/Platform.h"

namespace Korimocom {

namespace {

namespace platform = korimo::platform;
using korimo::media::InputSource;
using korimo::media::kBmpProbeSize;

constexpr int kMinBitCount = 24;

// Shows a message with the normal cursor and puts the hourglass back.
void ShowBetweenWaits(const char* text, const std::string& reason = {}) {
  platform::Current().SetWaitCursor(false);
  platform::Notify(text, reason);
  platform::Current().SetWaitCursor(true);
}

// Why a file is no picture this program can take.
std::string RejectionReason(InputSource::Opened opened, std::size_t length, const korimo::media::BmpHeader& header,
                            Integer bitCount) {
  if (opened == InputSource::Opened::Missing) return "no such file";
  if (opened == InputSource::Opened::Failed) return "not a regular file that can be read";
  if (length == 0) return "an empty file";
  // korimo-cli reads BMP pictures only; say which formats the window converts.
  if (!header.signature) return "not a BMP file; the window opens PNG, JPEG, WebP, TIFF and GIF as BMP";
  return std::to_string(bitCount) + " bits per pixel; 24 or 32 needed";
}

// Only the first error of a call is reported.
struct ErrorOnce {
  bool raised = false;
  void Raise(const std::string& reason = {}) {
    if (!raised) ShowBetweenWaits(korimo::msg::kCannotLoad, reason);
    raised = true;
  }
};

// A 32-bit field as a signed Long; false when it does not fit.
bool ToLong(std::uint32_t v, Long& out) {
  if (v > static_cast<std::uint32_t>(korimo::fileio::kMaxInputBytes)) return false;
  out = static_cast<Long>(v);
  return true;
}

// The picture whose header was probed, from the open `source` of `length`
// bytes: read whole, or left to be read on demand (the header's block read
// now, to check it against the probe). False on a read failure.
bool ReadPicture(InputSource& source, std::size_t length, ImageReading reading) {
  const int own = reading == ImageReading::OnDemand ? source.Duplicate() : -1;
  if (own >= 0) {
    // Bytes never read must be zero: fresh pages only.
    ByteArray().swap(ImageBytes);
    ImageBytes = ByteArray::Zeroed(length);
    ReadImageOnDemand(own);
    try {
      RequireImageBytes(0, kBmpProbeSize);
    } catch (const ImageReadFailure&) {
      return false;
    }
    return true;
  }
  // Every byte is read over: the previous picture's memory serves again when
  // it is about the size.
  ImageBytes.ResizeForOverwrite(length);
  PrefaultLargeBuffer(ImageBytes.data(), ImageBytes.size());
  return source.Read(ImageBytes.data(), length) == static_cast<long long>(length);
}

void LoadImageFrom(InputSource& source, ImageReading reading) {
  CarrierKind = 1;
  ErrorOnce error;

  Byte probe[kBmpProbeSize] = {};
  std::size_t firstLength = 0;

  // A path that does not exist reads like an empty file (refused below, and
  // never created); any other failure to open is a load error.
  const InputSource::Opened opened = source.Open();
  switch (opened) {
    case InputSource::Opened::Missing: break;
    case InputSource::Opened::Failed: error.Raise(); break;
    case InputSource::Opened::Ok:
      firstLength = source.Length().value_or(0);
      if (source.Read(probe, kBmpProbeSize) < 0) error.Raise();
      break;
  }

  const korimo::media::BmpHeader header = korimo::media::ParseBmpHeader(probe);
  bool rejected = !header.signature;
  Long fileSize = 0, dataSize = 0;
  Integer bitCount = 0;
  if (!rejected) {
    if (!ToLong(header.fileSize, fileSize)) error.Raise();
    if (header.bitCount > 32767)
      error.Raise();  // the bit count then counts as 0
    else
      bitCount = static_cast<Integer>(header.bitCount);
    if (!ToLong(header.dataSize, dataSize)) error.Raise();
    rejected = bitCount < kMinBitCount;
  }
  if (rejected) {
    ShowBetweenWaits(korimo::msg::kCannotRead, RejectionReason(opened, firstLength, header, bitCount));
    OperationFailed = 1;
    return;
  }
  if (error.raised) return;

  // The whole file: in one read straight into ImageBytes, or on demand.
  ImageLoaded = 1;
  bool readOk = false;
  if (source.Rewind()) {
    // The same open file; one that shrank or changed its header since the
    // probe is not the file the header values came from: a read failure.
    const auto length = source.Length();
    if (length && *length >= firstLength) {
      try {
        StopReadingOnDemand();
        readOk = ReadPicture(source, *length, reading) &&
                 (firstLength == 0 || std::memcmp(ImageBytes.data(), probe, std::min(kBmpProbeSize, firstLength)) == 0);
      } catch (const std::bad_alloc&) {
      }
    }
    source.Close();
  }
  if (!readOk) {
    error.Raise();
    StopReadingOnDemand();
    ByteArray().swap(ImageBytes);
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
    error.Raise("a data-size field of " + std::to_string(ImageDataSize) + " leaves no room for a sound");
    return;
  }
  try {
    Redim(SoundBytes, SoundAreaSize);
  } catch (const std::bad_alloc&) {
    error.Raise();
  }
}

}  // namespace

void LoadImageData(const std::string& path, ImageReading reading) {
  korimo::media::FileSource source(path);
  LoadImageFrom(source, reading);
}

void LoadImageData(std::span<const Byte> file) {
  korimo::media::MemorySource source(file);
  LoadImageFrom(source, ImageReading::Whole);
}

}  // namespace Korimocom
