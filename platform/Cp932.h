// Conversion between the program's UTF-8 text and the ANSI code page the
// carrier format stores (CP932, Windows Shift-JIS), through iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korimo::cp932 {

// Lossy, for labels such as sound file names: a character CP932 cannot hold
// becomes "?", as the Windows conversion does, and so does each malformed
// UTF-8 sequence; the valid characters around it are kept.
std::string FromUtf8(std::string_view utf8);

// Exact, for what must come back as typed (passwords, memos): std::nullopt
// when the text is not valid UTF-8 or holds a character CP932 cannot hold.
std::optional<std::string> FromUtf8Exact(std::string_view utf8);

// Invalid or truncated byte sequences become "?"; never fails.
std::string ToUtf8(std::string_view ansi);

}  // namespace korimo::cp932
