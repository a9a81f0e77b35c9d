// The working set: the one process-wide state every form and procedure of
// Korimo reads and writes directly. Field names, types and reset values are
// those the whole program relies on; nothing is passed around as parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ByteArray.h"

namespace Korimocom {

using Long = std::int32_t;     // 32-bit signed
using Integer = std::int16_t;  // 16-bit signed; flags are Integers
using Byte = std::uint8_t;

// Header figures of the loaded BMP.
inline Long ImageFileSize = 0;
inline Integer ImageBitCount = 0;
inline Long ImageDataSize = 0;
// Number of sound-area bytes embedded / extracted (see CarrierLayout.h).
inline Long SoundAreaSize = 0;
inline Integer ImageLoaded = 0;
// Length of the WAV file proper; the memo record starts at this index of SoundBytes.
inline Long SoundSize = 0;
inline Integer SoundLoaded = 0;
// Directories; both always end in "/".
inline std::string AppDir;
inline std::string TempDir;
inline std::string SoundPath;
// 0 = no usable sound, 1 = sound available, 2 = password-protected sound locked.
inline Integer Synthesized = 0;
// Carrier layout kind from the size field's high nibble (0..15; 0 and 1 meaningful).
inline Byte CarrierKind = 0;
inline std::string Password;  // UTF-8 inside the program; at most 8 CP932 bytes
inline Integer OperationFailed = 0;
inline Long MemoCapacity = 0;
inline std::string MemoFileName;
inline std::string MemoText;  // UTF-8; line breaks as the text box holds them (CR LF)
inline Integer DialogOpening = 0;
inline Integer ImageSaved = 1;
inline Integer AlreadyRunning = 0;
// The whole BMP file, index = file offset. korimo-cli's info and extract read
// only the parts they use (see engine/ImageSource.h); the rest stays zero.
inline ByteArray ImageBytes;
// Sound area: WAV bytes from index 0, memo record at SoundSize, then zeros.
inline ByteArray SoundBytes;

// How many leading SoundBytes the last extraction really took from the image
// (the rest of the area lay beyond the end of the file and reads as zero).
// GetMemo accepts only a memo record that lies within this part.
inline Long SoundBytesRead = 0;

// Returns every field except AppDir, TempDir and the two arrays to its empty state.
void ResetWorkData();

}  // namespace Korimocom
