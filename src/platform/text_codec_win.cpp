// Windows-1251 conversion through the system's own code page tables.
#include "platform/text_codec.h"

#include <windows.h>

namespace vpo::platform {
namespace {
constexpr UINT kCp1251 = 1251;

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
}  // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
  return Narrow(CP_UTF8, 0, Widen(kCp1251, 0, cp1251), nullptr);
}

std::string Utf8ToCp1251(std::string_view utf8, char replacement) {
  const char defaultChar[2] = {replacement, '\0'};
  // No best-fit mapping: a character without its own form becomes the
  // replacement, never a look-alike letter.
  return Narrow(kCp1251, WC_NO_BEST_FIT_CHARS, Widen(CP_UTF8, 0, utf8), defaultChar);
}

}  // namespace vpo::platform
