#include "engine/Extraction.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "engine/CarrierIO.h"
#include "engine/Buffers.h"
#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/RuntimeError.h"
#include "platform/Cp932.h"
#include "platform/FileIO.h"
#include "platform/Platform.h"
#include "platform/TempDir.h"

namespace Korimocom {

namespace {

using namespace korimo::layout;
namespace platform = korimo::platform;

// A carrier whose fields point past the image: the path ends with no sound.
struct DamagedCarrier {};

void RequireInImage(std::size_t end) {
  if (end > ImageBytes.size()) throw DamagedCarrier{};
}

// What the last extraction wrote to temp.wav, to tell it from anything put
// there since. Process state of the extraction alone, not of the working set.
std::optional<korimo::fileio::FileIdentity> g_writtenTempWav;

bool ToMemory(ExtractionScope scope) { return scope != ExtractionScope::TempFile; }
bool WithSound(ExtractionScope scope) { return scope != ExtractionScope::MemoLength; }

// temp.wav is this extraction's business only when it writes one.
void DiscardOwnTempSound(ExtractionScope scope) {
  if (!ToMemory(scope)) DiscardTempSound();
}

// Writes the whole SoundBytes array to TempDir + "temp.wav". The name is fixed
// and the directory may be shared, so the file is created fresh: exclusive
// create, no symbolic link followed, readable by the owner only.
void WriteTempFile(ExtractionScope scope) {
  if (ToMemory(scope)) {
    SoundLoaded = 1;
    Synthesized = 1;
    return;
  }
  g_writtenTempWav.reset();
  korimo::fileio::FileIdentity written;
  bool created = korimo::fileio::CreateExclusive(TempWavPath(), SoundBytes.data(), SoundBytes.size(), &written);
  if (!created && errno == EEXIST) {
    // A file this process did not write stands under the fixed name (it was
    // never removed, see DiscardTempSound): the sound goes to a private folder
    // instead, where only this user's Korimo writes, so a file left there by
    // an earlier run may go.
    const std::string own = platform::PrivateFolderIn(TempDir);
    if (!own.empty()) {
      TempDir = own;
      ::unlink(TempWavPath().c_str());
      created = korimo::fileio::CreateExclusive(TempWavPath(), SoundBytes.data(), SoundBytes.size(), &written);
    }
  }
  const std::string path = TempWavPath();
  if (!created) {
    platform::Current().SetWaitCursor(false);
    platform::Notify(korimo::msg::kCannotSaveTemp);
    platform::Current().SetWaitCursor(true);
    SoundLoaded = 0;
    return;
  }
  g_writtenTempWav = written;
  SoundLoaded = 1;
  Synthesized = 1;
  SoundPath = path;
}

// Outside TempFile: the memo record at SoundSize, when the first `count`
// area bytes (those the file holds) contain it whole. Returns how many
// leading SoundBytes are then taken from the image (for MemoLength, counted
// as taken: the text is left unread, its length is all that is wanted).
std::size_t ExtractMemoRecord(std::size_t start, std::size_t count, ExtractionScope scope) {
  constexpr std::size_t kHead = kMemoHeadBytes;
  const auto at = static_cast<std::size_t>(SoundSize);
  if (at + kHead > count) return at;
  ExtractBytes(start + 8 * at, SoundBytes.data() + at, kHead);
  const MemoHead head = ReadMemoHead(SoundBytes.data() + at);
  const std::size_t rest = head.nameBytes + std::size_t{head.textBytes};
  if (rest > count - at - kHead) return at + kHead;
  if (!WithSound(scope)) return at + kHead + rest;
  ExtractBytes(start + 8 * (at + kHead), SoundBytes.data() + at + kHead, rest);
  return at + kHead + rest;
}

bool StartsWithRiff() {
  return SoundBytes.size() >= kRiffTagBytes && std::memcmp(SoundBytes.data(), kRiffTag, kRiffTagBytes) == 0;
}

// The stored password bytes against the CP932 form of the entry. Comparing
// bytes, not text converted back, lets every spelling CP932 stores alike
// (such as the two wave dashes) unlock, and never lets an entry that has no
// exact CP932 form match a "?" the header holds.
bool PasswordMatches(const Byte* stored, std::size_t length) {
  const auto entry = korimo::cp932::FromUtf8Exact(Password);
  return entry && entry->size() == length && std::memcmp(entry->data(), stored, length) == 0;
}

void ExtractPlainSound(ExtractionScope scope) {
  // The sound follows the size field directly; SoundBytes keeps the size the
  // image load gave it.
  const auto size = static_cast<std::size_t>(SoundSize);
  RequireInImage(kPlainSoundIndex + 8 * size);
  if (size > SoundBytes.size()) throw DamagedCarrier{};
  ExtractBytes(kPlainSoundIndex, SoundBytes.data(), kRiffTagBytes);
  if (!StartsWithRiff()) {
    SoundLoaded = 0;
    return;
  }
  if (WithSound(scope)) {
    ExtractBytes(kPlainSoundIndex + kAfterRiffTag, SoundBytes.data() + kRiffTagBytes, size - kRiffTagBytes);
    SoundBytesRead = SoundSize;
  } else {
    SoundBytesRead = kRiffTagBytes;
  }
  WriteTempFile(scope);
}

void ExtractHeaderedSound(ExtractionScope scope) {
  RequireInImage(kNameIndex);
  Byte signature[2];
  ExtractBytes(kSignatureIndex, signature, 2);
  if (signature[0] != kSignature[0] || signature[1] != kSignature[1]) {
    // Report a foreign or damaged record as no sound, whatever the previous
    // image had.
    SoundLoaded = 0;
    return;
  }

  const Byte p = ExtractByteAt(kPasswordLengthIndex);
  if (p > kPasswordSlots) throw DamagedCarrier{};
  if (p != 0) {
    Byte stored[kPasswordSlots];
    ExtractBytes(kPasswordIndex, stored, kPasswordSlots);
    if (!PasswordMatches(stored, p)) {
      platform::Current().SetWaitCursor(false);
      RequestPassword();
      const bool locked = !PasswordMatches(stored, p);
      if (locked) {
        SoundLoaded = 1;
        Synthesized = 2;
        DiscardOwnTempSound(scope);
      }
      platform::Current().SetWaitCursor(true);
      if (locked) return;
    }
  }

  const Byte n = ExtractByteAt(kNameLengthIndex);
  const std::size_t start = SoundAreaStart(n);
  // The header and the SoundSize bytes of the sound must lie within the file.
  RequireInImage(start + 8 * static_cast<std::size_t>(SoundSize));
  // A sound larger than its area could only be taken out cut short: a
  // damaged carrier, not a sound.
  const Long area = SoundAreaSizeFor(ImageDataSize, n);
  if (area < SoundSize) throw DamagedCarrier{};

  SoundAreaSize = area;
  Redim(SoundBytes, SoundAreaSize);
  ExtractBytes(start, SoundBytes.data(), kRiffTagBytes);
  if (!StartsWithRiff()) {
    SoundAreaSize = EmptySoundAreaSize(ImageDataSize);
    Redim(SoundBytes, std::max<Long>(SoundAreaSize, 0));
    SoundLoaded = 0;
    return;
  }
  // The whole area, memo record included. Area bytes beyond the end of the
  // file (image-data sizes that are not a multiple of 8) read as zero.
  const std::size_t inFile = (ImageBytes.size() - start) / 8;
  const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(SoundAreaSize), inFile);
  if (ToMemory(scope)) {
    // The sound, then its memo record; the zeros behind them stay unread.
    if (WithSound(scope))
      ExtractBytes(start + kAfterRiffTag, SoundBytes.data() + kRiffTagBytes,
                   static_cast<std::size_t>(SoundSize) - kRiffTagBytes);
    SoundBytesRead = static_cast<Long>(ExtractMemoRecord(start, count, scope));
  } else {
    PrefaultLargeBuffer(SoundBytes.data(), count);
    ExtractBytes(start + kAfterRiffTag, SoundBytes.data() + kRiffTagBytes, count - kRiffTagBytes);
    SoundBytesRead = static_cast<Long>(count);
  }
  WriteTempFile(scope);
}

}  // namespace

bool RequestPassword() {
  DialogOpening = 1;
  const std::optional<std::string> entry = platform::Current().AskPassword();
  DialogOpening = 0;
  if (entry) Password = *entry;
  OperationFailed = entry ? 0 : 1;
  return entry.has_value();
}

bool ExtractedSoundInPlace() {
  if (!g_writtenTempWav) return false;
  const auto now = korimo::fileio::IdentifyRegularFile(TempWavPath());
  return now && *now == *g_writtenTempWav;
}

void DiscardTempSound() {
  // Only the file this process wrote: the name is fixed and the folder may be
  // shared, so a temp.wav of anyone else (or of another program) stays.
  const auto now = korimo::fileio::IdentifyRegularFile(TempWavPath());
  const bool ours = g_writtenTempWav && now && now->device == g_writtenTempWav->device &&
                    now->inode == g_writtenTempWav->inode;
  g_writtenTempWav.reset();
  if (ours) platform::Current().DeleteFile(TempWavPath());
}

void ExtractSound(ExtractionScope scope) {
  Synthesized = 0;
  SoundBytesRead = 0;
  SoundSize = ReadSizeField();
  if (SoundSize < 4) {
    SoundLoaded = 0;
  } else {
    DiscardOwnTempSound(scope);
    try {
      switch (CarrierKind) {
        case 0: ExtractPlainSound(scope); break;
        case 1: ExtractHeaderedSound(scope); break;
        default: SoundLoaded = 0; break;
      }
    } catch (const DamagedCarrier&) {
      SoundLoaded = 0;
      Synthesized = 0;
    } catch (const korimo::RuntimeError&) {
      SoundLoaded = 0;
      Synthesized = 0;
    }
  }
  if (SoundLoaded == 0) DiscardOwnTempSound(scope);
}

}  // namespace Korimocom
