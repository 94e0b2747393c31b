#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// A Windows initialization file held as its bytes, so that writing one key
// leaves every other section, key, comment, blank line and line ending of
// the file exactly as it was. Values are bytes (code page 932 in practice).
// Lines are found again by each call rather than kept, so a file costs its
// own size and no more, however many lines it has.
class IniFile {
 public:
  IniFile() = default;
  static IniFile Parse(std::string_view bytes);

  // The value of `key` in `section` (both compared without regard to ASCII
  // letter case; the first section and the first key of that name count),
  // with the blanks around it removed and one pair of matching surrounding
  // quotes taken off, as the Windows routines read it. Nothing when the
  // section or key is missing.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;

  // Replaces the value of the first `key` in the first `section`, adds the
  // key at the end of the section, or adds the section at the end of the
  // file. New lines end in CR LF.
  void Write(std::string_view section, std::string_view key, std::string_view value);

  std::string Serialize() const { return bytes_; }

 private:
  // A line ends at CR LF, at a lone CR or at a lone LF.
  std::string bytes_;
};

}  // namespace torvane
