#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <stdexcept>

namespace korimo::cp932 {
namespace {

// One iconv descriptor per direction and thread; iconv_t keeps shift state,
// so it is reset before every conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // skip(in, truncated, left) says how many input bytes to drop after an
  // unconvertible sequence, or std::nullopt to give up the whole conversion.
  template <typename SkipFn>
  std::optional<std::string> Run(std::string_view input, SkipFn skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t used = 0;
    while (inLeft > 0) {
      char* dst = out.data() + used;
      size_t dstLeft = out.size() - used;
      size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
      used = out.size() - dstLeft;
      if (rc != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2 + 16);
        continue;
      }
      // EILSEQ or EINVAL: emit "?" and step over the offending input.
      if (out.size() - used < 1) out.resize(out.size() * 2 + 16);
      out[used++] = '?';
      const std::optional<size_t> step = skip(in, errno == EINVAL, inLeft);
      if (!step) return std::nullopt;
      const size_t n = *step;
      in += n;
      inLeft -= n;
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

// How many bytes at p (at most `left`) one "?" stands for when iconv stops
// there: a whole well-formed sequence (a character CP932 lacks), or only the
// malformed start of one (shortest form, no surrogates, at most U+10FFFF), at
// least one byte, so that the valid characters after it are read afresh.
size_t Utf8StepLength(const unsigned char* p, size_t left) {
  const unsigned char lead = p[0];
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    if (lead == 0xE0) lo = 0xA0;  // no overlong forms
    if (lead == 0xED) hi = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 1;  // ASCII, a stray continuation byte, or a lead that never starts a character
  }
  size_t i = 1;
  for (; i < need && i < left; ++i) {
    const unsigned char c = p[i];
    if (i == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF)) break;
  }
  return i;
}

Converter& Utf8ToCp932() {
  thread_local Converter conv("CP932", "UTF-8");
  return conv;
}

// glibc's iconv drops the Unicode tag characters (U+E0000 to U+E007F, UTF-8
// F3 A0 80 80 to F3 A0 81 BF) without a word when it converts to CP932. They
// have no CP932 form, so they are taken out here and treated like any other
// character CP932 lacks. The position of the next one at or after `from`, or
// npos.
size_t NextTag(std::string_view s, size_t from) {
  for (size_t i = s.find('\xF3', from); i != std::string_view::npos; i = s.find('\xF3', i + 1)) {
    if (i + 4 > s.size()) break;
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    if (b(1) == 0xA0 && (b(2) == 0x80 || b(2) == 0x81) && (b(3) & 0xC0) == 0x80) return i;
  }
  return std::string_view::npos;
}
constexpr size_t kTagBytes = 4;

}  // namespace

std::string FromUtf8(std::string_view utf8) {
  const auto lossy = [](std::string_view part) {
    return *Utf8ToCp932().Run(part, [](const char* at, bool, size_t left) -> std::optional<size_t> {
      return Utf8StepLength(reinterpret_cast<const unsigned char*>(at), left);
    });
  };
  std::string out;
  size_t at = 0;
  for (size_t tag = NextTag(utf8, 0); tag != std::string_view::npos; tag = NextTag(utf8, at)) {
    out += lossy(utf8.substr(at, tag - at));
    out += '?';
    at = tag + kTagBytes;
  }
  return out + lossy(utf8.substr(at));
}

std::optional<std::string> FromUtf8Exact(std::string_view utf8) {
  if (NextTag(utf8, 0) != std::string_view::npos) return std::nullopt;
  return Utf8ToCp932().Run(utf8, [](const char*, bool, size_t) -> std::optional<size_t> { return std::nullopt; });
}

std::string ToUtf8(std::string_view ansi) {
  thread_local Converter conv("UTF-8", "CP932");
  return *conv.Run(ansi, [](const char*, bool truncated, size_t left) -> std::optional<size_t> {
    // A lone lead byte at the end: replace it and stop.
    return truncated ? left : size_t{1};
  });
}

}  // namespace korimo::cp932
