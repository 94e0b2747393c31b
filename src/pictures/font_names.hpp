#pragma once

#include <string_view>

namespace torvane::pictures {

// The installed font family drawn for a Windows face name (both UTF-8):
// the MS Gothic and MS Mincho families, written in ASCII or in Japanese,
// with full-width letters or not, become their IPA counterparts. Any other
// name is returned as it is.
std::string_view SubstituteFontFamily(std::string_view face);

}  // namespace torvane::pictures
