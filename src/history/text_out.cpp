#include "history/text_out.hpp"

#include <cerrno>
#include <cstring>

#include "history/entry_text.hpp"

namespace torvane {

std::optional<std::string> TextOutFile::Open(const std::string& path) {
  if (path == "-") {
    file_ = stdout;
    owned_ = false;
    return std::nullopt;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return path + ": " + std::strerror(errno);
  file_ = file;
  owned_ = true;
  return std::nullopt;
}

TextOutFile::~TextOutFile() {
  if (owned_ && file_) std::fclose(file_);
}

void TextOutFile::Write(const HistoryEntry& entry) {
  if (!file_) return;
  const std::string lines = TextOutLines(entry);
  if (lines.empty()) return;
  std::fwrite(lines.data(), 1, lines.size(), file_);
  std::fflush(file_);
}

void TextOutFile::Follow(History& history) {
  history.Listen([this](const HistoryEntry& entry) { Write(entry); });
}

}  // namespace torvane
