// The text fields of the carrier and the memo: file titles, and texts
// measured in and converted to the CP932 bytes the format stores.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/Korimocom.h"

namespace Korimocom {

// The part of a path after its last "\" or "/".
std::string FileTitleOf(const std::string& path);
// Length of the text in CP932 bytes; raises an overflow error above 32767.
Integer AnsiByteLength(const std::string& text);
// The first n bytes of the array, converted from CP932 to UTF-8.
// Raises a subscript error when n exceeds the array.
std::string BytesToString(const std::vector<Byte>& array, Long n);
std::string BytesToString(const Byte* bytes, std::size_t n);
// count = CP932 byte length, or -1 when it is limit or more (array untouched).
// Raises a subscript error when the array is too small for count bytes.
void StringToBytes(const std::string& text, std::vector<Byte>& array, Long limit, Long& count);

}  // namespace Korimocom
