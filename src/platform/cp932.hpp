#pragma once

#include <string>
#include <string_view>

namespace torvane::platform {

// Converts code page 932 bytes to UTF-8. A byte sequence that has no
// Unicode form becomes U+FFFD, so the result is always valid UTF-8.
std::string Cp932ToUtf8(std::string_view cp932);

// Converts UTF-8 to code page 932 bytes. A character that code page 932
// cannot hold becomes "?", as the Windows converter does by default.
std::string Utf8ToCp932(std::string_view utf8);

// True for the first byte of a double-byte code page 932 character.
bool IsCp932LeadByte(unsigned char byte);

}  // namespace torvane::platform
