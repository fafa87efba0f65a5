#pragma once
// Every text of the instrument and of the program is Windows-1251 text, one
// byte a character. Widgets and terminals want UTF-8 (or UTF-16); these two
// calls are the only place where the two meet.

#include <string>
#include <string_view>

namespace vpo::platform {

// Windows-1251 bytes to UTF-8. Every byte has a form (0x98, undefined in the
// code page, becomes U+FFFD), so nothing is lost or dropped.
std::string Cp1251ToUtf8(std::string_view cp1251);

// UTF-8 to Windows-1251. A character that has no form in the code page, and a
// malformed UTF-8 sequence, becomes `replacement`.
std::string Utf8ToCp1251(std::string_view utf8, char replacement = '?');

}  // namespace vpo::platform
