#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "history/history.hpp"

namespace torvane {

// Where `--text-out` writes each message and page as it appears, in
// TextOutLines' form, flushed at once so a tool reading the other end of a
// pipe or following the file sees it while the game waits.
class TextOutFile {
 public:
  // "-" is standard output. Returns why the file cannot be written, or
  // none once it is open; an existing file is replaced.
  std::optional<std::string> Open(const std::string& path);
  ~TextOutFile();

  bool IsOpen() const { return file_ != nullptr; }
  void Write(const HistoryEntry& entry);
  // Feeds it every entry `history` keeps from now on.
  void Follow(History& history);

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
};

}  // namespace torvane
