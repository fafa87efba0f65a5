// Windows-1251 conversion through the system's own code page tables.
#include "platform/text_codec.h"

#include <windows.h>

namespace vpo::platform {
namespace {
constexpr UINT kCp1251 = 1251;
constexpr wchar_t kReplacementCharacter = 0xFFFD;

std::wstring Widen(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(UINT codePage, DWORD flags, const std::wstring& wide, const char* defaultChar) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              defaultChar, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n, defaultChar,
                      nullptr);
  return out;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters beyond the basic plane are two UTF-16 units; none of them has a
// form in the code page, and each must become one replacement, not two.
std::wstring OneUnitPerCharacter(const std::wstring& wide) {
  std::wstring out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      out += kReplacementCharacter;
      ++i;
    } else {
      out += wide[i];
    }
  }
  return out;
}
}  // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::wstring wide = Widen(kCp1251, 0, cp1251);
  // The table gives the unassigned byte 0x98 the control character U+0098,
  // which shows as nothing; show the replacement character instead. One
  // byte is one UTF-16 unit in this code page, so positions match.
  if (wide.size() == cp1251.size()) {
    for (size_t i = 0; i < wide.size(); ++i) {
      if (static_cast<unsigned char>(cp1251[i]) == 0x98) wide[i] = kReplacementCharacter;
    }
  }
  return Narrow(CP_UTF8, 0, wide, nullptr);
}

std::string Utf8ToCp1251(std::string_view utf8, char replacement) {
  const char defaultChar[2] = {replacement, '\0'};
  // No best-fit mapping: a character without its own form becomes the
  // replacement, never a look-alike letter.
  return Narrow(kCp1251, WC_NO_BEST_FIT_CHARS, OneUnitPerCharacter(Widen(CP_UTF8, 0, utf8)), defaultChar);
}

}  // namespace vpo::platform
