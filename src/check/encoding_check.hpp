#pragma once

#include "check/finding.hpp"
#include "platform/bytes.hpp"

namespace torvane::check {

// The encoding of a scenario file's bytes: a byte-order mark or UTF-8 text
// garble what the game shows, and bytes that are no code page 932
// character show as something else. Findings carry line and column, the
// file left empty.
Findings CheckEncoding(BytesView file);

}  // namespace torvane::check
