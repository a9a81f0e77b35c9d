// The memo record behind the sound bytes in SoundBytes.
#pragma once

#include <cstddef>
#include <string>

#include "engine/Korimocom.h"

namespace Korimocom {

// Stores the memo (UTF-8, converted to CP932) and its file name at SoundSize.
// OperationFailed 0 on success (MemoFileName, MemoText set), 1 when refused:
// a name of 256 bytes or more, a text with a character CP932 cannot hold or
// that is not valid UTF-8, or a text longer than MemoCapacity.
void PutMemo(const std::string& memoText, const std::string& fileName);

// Reads the memo record of a kind-1 extraction. Returns L (> 0) or 0 for no memo.
Long GetMemo(std::string& fileName, std::string& memoText);
// The same with at most the first `textLimit` bytes of the text (cut before
// a character, never inside one); still returns the whole length L. A
// crafted length of hundreds of megabytes is then never converted whole.
Long GetMemo(std::string& fileName, std::string& memoText, std::size_t textLimit);
// L alone, without converting anything.
Long MemoLength();

// How much of a memo the memo display shows; a longer one is cut with a note.
// Twice the longest memo this program writes (32767 bytes): only a crafted
// carrier holds more, and laying out one line of a megabyte takes the memo
// box minutes.
inline constexpr std::size_t kMemoShownBytes = 64 * 1024;

}  // namespace Korimocom
