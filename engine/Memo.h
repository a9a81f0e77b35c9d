// The memo record behind the sound bytes in SoundBytes.
#pragma once

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

}  // namespace Korimocom
