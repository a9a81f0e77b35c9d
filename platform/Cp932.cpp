#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>
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

  // skip(in, left) says how many input bytes to drop after an unconvertible sequence.
  template <typename SkipFn>
  std::string Run(std::string_view input, SkipFn skip) {
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
      size_t n = skip(static_cast<unsigned char>(*in), errno == EINVAL, inLeft);
      in += n;
      inLeft -= n;
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;  // stray continuation or invalid lead byte
}

}  // namespace

std::string FromUtf8(std::string_view utf8) {
  thread_local Converter conv("CP932", "UTF-8");
  return conv.Run(utf8, [](unsigned char lead, bool, size_t left) {
    size_t n = Utf8SequenceLength(lead);
    return n < left ? n : left;
  });
}

std::string ToUtf8(std::string_view ansi) {
  thread_local Converter conv("UTF-8", "CP932");
  return conv.Run(ansi, [](unsigned char, bool truncated, size_t left) {
    // A lone lead byte at the end: replace it and stop.
    return truncated ? left : size_t{1};
  });
}

}  // namespace korimo::cp932
