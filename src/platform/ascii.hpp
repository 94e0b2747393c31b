#pragma once

#include <string_view>

namespace torvane {

// Windows folds only the 26 ASCII letters when it compares names; every
// byte of a double-byte or UTF-8 character is >= 0x80 and stays as it is.
constexpr char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace torvane
