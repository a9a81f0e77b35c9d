// The CP932 conversions on arbitrary bytes, in both directions: no crash, the
// UTF-8 side is always valid UTF-8, text that went through CP932 once
// survives a second round trip unchanged, and the exact conversion agrees
// with the lossy one wherever it succeeds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "platform/Cp932.h"

using namespace korimo::fuzz;

namespace {

bool ValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    char32_t cp;
    if (c < 0x80) { ++i; continue; }
    if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; }
    else return false;
    if (i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    const char32_t min = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korimo::cp932;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as CP932 bytes (a carrier's name, password or memo).
  const std::string utf8 = ToUtf8(input);
  Check(ValidUtf8(utf8), "ToUtf8 produced invalid UTF-8");
  Check(input.empty() == utf8.empty(), "ToUtf8 dropped or invented text");

  // The input as UTF-8 text (typed by the user, possibly malformed).
  const std::string ansi = FromUtf8(input);
  Check(input.empty() == ansi.empty(), "FromUtf8 dropped or invented text");
  const std::string back = ToUtf8(ansi);
  Check(ValidUtf8(back), "round trip produced invalid UTF-8");
  Check(FromUtf8(back) == ansi, "CP932 text changed on its second round trip");

  // The exact form exists only for valid UTF-8, and then equals the lossy one.
  if (const auto exact = FromUtf8Exact(input)) {
    Check(ValidUtf8(input), "FromUtf8Exact accepted invalid UTF-8");
    Check(*exact == ansi, "exact and lossy forms differ");
  }
  return 0;
}
