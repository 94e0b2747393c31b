#include "platform/cp932.hpp"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "platform/ascii.hpp"

namespace torvane::platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One descriptor per thread and direction: an iconv_t carries conversion
// state and must not be shared between threads, and opening one on every
// call would cost a gconv lookup each time.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Ok() const { return cd_ != Invalid(); }
  iconv_t Get() const { return cd_; }

 private:
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }

  iconv_t cd_;
};

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Runs `cd` over all of `input`. Wherever iconv stops on a sequence it cannot
// convert, `on_bad(rest)` names how many bytes of `rest` to skip (at least
// one), and `replacement` is written in their place.
template <typename OnBad>
std::string Convert(iconv_t cd, std::string_view input, std::size_t initial_size,
                    std::string_view replacement, OnBad on_bad) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(initial_size, '\0');
  std::size_t used = 0;
  // iconv's prototype takes char** although it never writes the input.
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  while (in_left > 0) {
    char* out_ptr = out.data() + used;
    std::size_t out_left = out.size() - used;
    const std::size_t result = iconv(cd, &in, &in_left, &out_ptr, &out_left);
    used = static_cast<std::size_t>(out_ptr - out.data());
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    // EILSEQ, or EINVAL for a sequence cut off by the end of the input.
    std::size_t skip = on_bad(std::string_view(in, in_left));
    if (skip == 0 || skip > in_left) skip = 1;
    in += skip;
    in_left -= skip;
    if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
    out.replace(used, replacement.size(), replacement);
    used += replacement.size();
  }
  out.resize(used);
  return out;
}

// Length of the longest prefix of `text` that starts a well-formed UTF-8
// sequence, at least 1. Skipping that much on an error replaces a truncated
// character with a single "?", as Unicode recommends.
std::size_t Utf8SkipLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  std::size_t i = 1;
  for (; i < length && i < text.size(); ++i) {
    const unsigned char b = byte(i);
    if (b < low || b > high) break;
    low = 0x80;
    high = 0xBF;
  }
  return i;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  thread_local Converter converter("UTF-8", "CP932");
  if (!converter.Ok()) {
    std::string out;
    for (char c : cp932) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacementUtf8;
      }
    }
    return out;
  }
  // Every byte that fails is dropped on its own, so a broken lead byte does
  // not take a following ASCII character with it.
  return Convert(converter.Get(), cp932, cp932.size() * 2 + 16, kReplacementUtf8,
                 [](std::string_view) { return std::size_t{1}; });
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter converter("CP932", "UTF-8");
  if (!converter.Ok()) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
      if (static_cast<unsigned char>(utf8[i]) < 0x80) {
        out += utf8[i++];
      } else {
        out += '?';
        i += Utf8SkipLength(utf8.substr(i));
      }
    }
    return out;
  }
  // Whether iconv stopped on a character code page 932 lacks or on broken
  // UTF-8, the bytes up to the next possible character start become one "?".
  return Convert(converter.Get(), utf8, utf8.size() + 16, "?", Utf8SkipLength);
}

bool IsCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool EqualsIgnoringAsciiCaseCp932(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  bool second_byte = false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (second_byte || IsCp932LeadByte(x)) {
      if (x != y) return false;
      second_byte = !second_byte;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace torvane::platform
