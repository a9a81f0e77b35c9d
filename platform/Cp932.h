// Conversion between the program's UTF-8 text and the ANSI code page the
// carrier format stores (CP932, Windows Shift-JIS), through iconv.
#pragma once

#include <string>
#include <string_view>

namespace korimo::cp932 {

// A character CP932 cannot hold becomes "?", as the Windows conversion does.
std::string FromUtf8(std::string_view utf8);

// Invalid or truncated byte sequences become "?"; never fails.
std::string ToUtf8(std::string_view ansi);

}  // namespace korimo::cp932
