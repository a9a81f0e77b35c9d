#include "engine/TextFields.h"

#include <cstring>
#include <string_view>

#include "engine/RuntimeError.h"
#include "platform/Cp932.h"

namespace Korimocom {

std::string FileTitleOf(const std::string& path) {
  const std::size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

Integer AnsiByteLength(const std::string& text) {
  const std::size_t n = korimo::cp932::FromUtf8(text).size();
  if (n > 32767) korimo::RaiseOverflow();
  return static_cast<Integer>(n);
}

std::string BytesToString(const Byte* bytes, std::size_t n) {
  if (n == 0) return {};
  return korimo::cp932::ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), n));
}

std::string BytesToString(const std::vector<Byte>& array, Long n) {
  if (n <= 0) return {};
  if (static_cast<std::size_t>(n) > array.size()) korimo::RaiseSubscript();
  return BytesToString(array.data(), static_cast<std::size_t>(n));
}

void StringToBytes(const std::string& text, std::vector<Byte>& array, Long limit, Long& count) {
  const std::string ansi = korimo::cp932::FromUtf8(text);
  if (ansi.size() >= static_cast<std::size_t>(limit < 0 ? 0 : limit)) {
    count = -1;
    return;
  }
  if (ansi.size() > array.size()) korimo::RaiseSubscript();
  std::memcpy(array.data(), ansi.data(), ansi.size());
  count = static_cast<Long>(ansi.size());
}

}  // namespace Korimocom
