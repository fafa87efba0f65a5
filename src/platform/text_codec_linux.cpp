// Windows-1251 conversion through glibc's iconv.
#include "platform/text_codec.h"

#include <cerrno>
#include <iconv.h>

namespace vpo::platform {
namespace {

// One conversion descriptor per call keeps this free of shared state; the
// texts are a few dozen bytes, so opening one costs nothing that matters.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of [in, in+inLeft) as it can, appending to out. Returns
  // false when it stopped at an input sequence that it cannot convert.
  bool Convert(const char*& in, size_t& inLeft, std::string& out) {
    char buffer[256];
    while (inLeft > 0) {
      char* inPtr = const_cast<char*>(in);
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      in = inPtr;
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  Iconv cd("UTF-8", "WINDOWS-1251");
  const char* in = cp1251.data();
  size_t left = cp1251.size();
  while (left > 0) {
    if (cd.ok() && cd.Convert(in, left, out)) break;
    // 0x98 has no character in the code page: show the replacement character
    // rather than dropping the byte.
    out += "\xEF\xBF\xBD";
    ++in;
    --left;
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  Iconv cd("WINDOWS-1251", "UTF-8");
  const char* in = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    if (cd.ok() && cd.Convert(in, left, out)) break;
    out += replacement;
    // Skip the character that has no form, or the lead byte of a malformed
    // sequence with only the continuation bytes that really follow it.
    size_t skip = 1;
    const size_t length = Utf8SequenceLength(static_cast<unsigned char>(*in));
    while (skip < length && skip < left && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
    in += skip;
    left -= skip;
  }
  return out;
}

}  // namespace vpo::platform
