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

// Compares two code page 932 names as Windows does, folding ASCII letters
// only: the second byte of a double-byte character may be an ASCII letter
// (ア is 83 41, ャ is 83 61), and folding it would turn one character into
// another, so it must match exactly.
bool EqualsIgnoringAsciiCaseCp932(std::string_view a, std::string_view b);

}  // namespace torvane::platform

namespace torvane {

// The game's own texts, written here in UTF-8, as the code page 932 bytes
// it shows.
inline std::string Sjis(std::string_view utf8) { return platform::Utf8ToCp932(utf8); }

}  // namespace torvane
