#include "media/WavLoad.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "engine/CarrierIO.h"
#include "engine/TextFields.h"
#include "engine/CarrierLayout.h"
#include "engine/Buffers.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/RuntimeError.h"
#include "media/InputSource.h"
#include "platform/Platform.h"

namespace Korimocom {

namespace {

namespace platform = korimo::platform;
using korimo::media::InputSource;

// RIFF header: "RIFF", chunk size (little-endian), "WAVE".
constexpr std::size_t kHeaderSize = 12;
constexpr char kWaveTag[] = "WAVE";
// The largest chunk size whose sound length (chunk size + 8) is a Long.
constexpr std::int64_t kMaxChunkSize = 2147483639;
// A RIFF chunk holds at least its form type: a smaller size is no WAV file.
constexpr std::int64_t kMinChunkSize = 4;

void ShowWithNormalCursor(const char* text, const std::string& reason = {}) {
  platform::Current().SetWaitCursor(false);
  platform::Notify(text, reason);
}

void LoadSoundFrom(const std::string& path, InputSource& source) {
  if (ImageLoaded == 0) {
    ShowWithNormalCursor(korimo::msg::kLoadImageFirst);
    return;
  }
  if (SoundLoaded == 1) {
    platform::Current().SetWaitCursor(false);
    const auto answer = platform::Current().MessageBox(korimo::msg::kReplaceSound, platform::Buttons::YesNo,
                                                       platform::Icon::Exclamation);
    platform::Current().SetWaitCursor(true);
    if (answer != platform::Answer::Yes) {
      OperationFailed = 1;
      return;
    }
  }

  bool readFailure = false;
  const char* refusal = nullptr;
  std::int64_t soundLength = 0;
  std::size_t firstLength = 0;
  int nameBytes = 0;

  // The three tags. A file shorter than the header reads as zeros there and so
  // has wrong tags.
  // A path that does not exist reads like an empty file: wrong tags, and no
  // file is created.
  const InputSource::Opened opened = source.Open();
  if (opened == InputSource::Opened::Missing) {
    refusal = korimo::msg::kCannotRead;
  } else if (opened == InputSource::Opened::Failed) {
    readFailure = true;
  } else {
    Byte header[kHeaderSize] = {};
    const auto length = source.Length();
    if (!length || source.Read(header, kHeaderSize) < 0) readFailure = true;
    firstLength = length.value_or(0);
    if (!readFailure) {
      const std::int64_t chunk = static_cast<std::int32_t>(std::uint32_t{header[4]} | (std::uint32_t{header[5]} << 8) |
                                                           (std::uint32_t{header[6]} << 16) |
                                                           (std::uint32_t{header[7]} << 24));
      const bool riff = std::memcmp(header, korimo::layout::kRiffTag, korimo::layout::kRiffTagBytes) == 0;
      if (riff && chunk > kMaxChunkSize) readFailure = true;
      soundLength = chunk + 8;
      if (!riff || std::memcmp(header + 8, kWaveTag, 4) != 0 || chunk < kMinChunkSize)
        refusal = korimo::msg::kCannotRead;
    }
  }

  if (!readFailure && !refusal) {
    try {
      nameBytes = AnsiByteLength(FileTitleOf(path));
      if (nameBytes > korimo::layout::kMaxNameBytes)
        refusal = korimo::msg::kSoundNameTooLong;
      else if (!korimo::layout::SoundFits(static_cast<Long>(soundLength), nameBytes))
        refusal = korimo::msg::kSoundDoesNotFit;
    } catch (const korimo::RuntimeError&) {
      readFailure = true;
    }
  }

  if (readFailure) {
    // Ends below, as a failure of the sound's read does.
  } else if (refusal == korimo::msg::kSoundDoesNotFit) {
    const Long room = std::max<Long>(korimo::layout::LargestSound(nameBytes), 0);
    ShowWithNormalCursor(refusal, "a sound of " + std::to_string(soundLength) + " bytes; room for " +
                                      std::to_string(room));
    OperationFailed = 1;
  } else if (refusal) {
    ShowWithNormalCursor(refusal);
    OperationFailed = 1;
  } else {
    // Accepted: only the sound itself is loaded; the rest of the area, where
    // the memo record goes, stays zero whatever follows the RIFF chunk.
    try {
      SoundAreaSize = korimo::layout::SoundAreaSizeFor(ImageDataSize, nameBytes);
      Redim(SoundBytes, SoundAreaSize);
      const bool again = source.Rewind();
      const auto length = again ? source.Length() : std::nullopt;
      // A file cut short since the tags were read is a read failure; one that
      // was shorter than its chunk size from the start fills what it has.
      const std::size_t want = static_cast<std::size_t>(soundLength);
      const std::size_t expect = want < firstLength ? want : firstLength;
      if (!length || *length < expect || source.Read(SoundBytes.data(), want) < static_cast<long long>(expect))
        readFailure = true;
      source.Close();
    } catch (const std::bad_alloc&) {
      readFailure = true;
    }
    if (!readFailure) {
      SoundLoaded = 1;
      SoundSize = static_cast<Long>(soundLength);
      SoundBytesRead = static_cast<Long>(SoundBytes.size());
    }
  }

  // The one end of a file that could not be read.
  if (readFailure) {
    ShowWithNormalCursor(korimo::msg::kCannotLoad);
    platform::Current().SetWaitCursor(true);
    SoundSize = 0;
    SoundPath.clear();
    SoundLoaded = 0;
  }
  if (OperationFailed == 0) {
    MemoFileName.clear();
    MemoText.clear();
  }
}

}  // namespace

void LoadSoundData(const std::string& path) {
  korimo::media::FileSource source(path);
  LoadSoundFrom(path, source);
}

void LoadSoundData(const std::string& path, std::span<const Byte> file) {
  korimo::media::MemorySource source(file);
  LoadSoundFrom(path, source);
}

}  // namespace Korimocom
