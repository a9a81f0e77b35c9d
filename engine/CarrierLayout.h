// Where each field of the embedded record lies, and the capacity rules.
//
// Kind 1 (the only layout written):
//   image 54..85     size field: bits 28-31 kind (1), bits 0-27 SoundSize
//   image 86..101    signature "KR"
//   image 102..109   password length p (0..8)
//   image 110..173   password, 8 bytes (p used, zero padded)
//   image 174..181   sound file name length n (0..255)
//   image 182..      name, n bytes
//   S = 182 + 8n     sound area: WAV (SoundSize bytes), memo record, zeros
// Kind 0 (read only): size field, then the WAV from image index 86.
// Memo record at sound-area offset SoundSize:
//   L (4 bytes, big-endian), m (1 byte), name (m bytes), text (L bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/Korimocom.h"

namespace korimo::layout {

using Korimocom::Long;

inline constexpr std::size_t kCarrierStart = 54;     // size field
inline constexpr std::size_t kSignatureIndex = 86;   // "KR"
inline constexpr std::size_t kPlainSoundIndex = 86;  // kind-0 sound
inline constexpr std::size_t kPasswordLengthIndex = 102;
inline constexpr std::size_t kPasswordIndex = 110;
inline constexpr std::size_t kNameLengthIndex = 174;
inline constexpr std::size_t kNameIndex = 182;
inline constexpr std::size_t kSizeFieldBitIndex = 57;  // carries bit 28: kind 1
// A password is at most 8 CP932 bytes: the header has 8 slots for it.
inline constexpr int kPasswordLimit = 8;
inline constexpr int kPasswordSlots = kPasswordLimit;
// A sound file name is at most 255 CP932 bytes: its length is one data byte.
inline constexpr int kMaxNameBytes = 255;
// Every sound starts with the RIFF tag; after its 4 data bytes (32 carrier
// bytes) the rest of the sound follows.
inline constexpr char kRiffTag[] = "RIFF";
inline constexpr std::size_t kRiffTagBytes = 4;
inline constexpr std::size_t kCarrierBytesPerDataByte = 8;
inline constexpr std::size_t kAfterRiffTag = kRiffTagBytes * kCarrierBytesPerDataByte;
inline constexpr int kMemoRecordOverhead = 13;  // L (4) + m (1) + "text.txt" (8)
inline constexpr Long kMemoCapacityCap = 32767;
inline constexpr char kSignature[] = "KR";
inline constexpr char kMemoFileName[] = "text.txt";
inline constexpr char kTempFileName[] = "temp.wav";

// The head of the memo record: the text's length L (4 bytes, big-endian) and
// the name's length m (1 byte); the name and the text follow it.
inline constexpr std::size_t kMemoHeadBytes = 5;
struct MemoHead {
  std::uint32_t textBytes = 0;  // L
  std::size_t nameBytes = 0;    // m
  // Bytes of the whole record: head, name and text.
  std::uint64_t RecordBytes() const { return kMemoHeadBytes + nameBytes + std::uint64_t{textBytes}; }
};
MemoHead ReadMemoHead(const Korimocom::Byte* head);
void WriteMemoHead(Korimocom::Byte* head, const MemoHead& value);

// x rounded to the nearest integer, halves to the even neighbour, as a 32-bit
// integer (raises an overflow error when out of range).
Long Nearest(double x);

// nearest(D / 8 - 11): the empty sound area after an image load.
Long EmptySoundAreaSize(Long imageDataSize);
// nearest(D / 8 - n - 16): the sound area for a sound file name of n bytes.
Long SoundAreaSizeFor(Long imageDataSize, int nameBytes);
// Image index where the sound area starts: 182 + 8n.
inline std::size_t SoundAreaStart(int nameBytes) { return kNameIndex + 8 * static_cast<std::size_t>(nameBytes); }

// E: how many sound-area bytes synthesis really embeds for a name of n bytes:
// min(area, ceil((D - S - 7) / 8)), further limited to what ImageBytes holds.
Long EmbeddedAreaBytes(Long soundAreaSize, int nameBytes);
// The same for an image of `imageBytes` bytes in place of ImageBytes.
Long EmbeddedAreaBytes(Long soundAreaSize, int nameBytes, std::size_t imageBytes);

// The largest sound (WAV file bytes) the fit check below accepts for a name
// of n bytes, 0 <= n <= 255: E - 4, negative when not even an empty one fits.
Long LargestSound(int nameBytes);

// The fit check of a sound load: n <= 255 and soundSize + 4 <= E (the sound
// and the memo length field lie in the embedded part).
bool SoundFits(Long soundSize, int nameBytes);

// Room for memo text in the current working set: min(32767, E - SoundSize - 13),
// n taken from SoundPath. Below 1 means no room.
Long MemoCapacityFor();

// The sound file name stored in a kind-1 header of ImageBytes ("" when the
// header does not lie within the image).
std::string StoredSoundName();

// A password the header holds exactly as typed: every character has a CP932
// form, and that form is at most 8 bytes. Anything else would be stored with
// "?" in its place and could never be typed again to unlock the carrier.
bool PasswordFits(const std::string& utf8);

// TempDir + "temp.wav".
std::string TempWavPath();

}  // namespace korimo::layout
