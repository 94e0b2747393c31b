#include "engine/scenario_text.hpp"

#include <cstring>

#include "engine/script_error.hpp"

namespace torvane {

ScenarioText ScenarioText::FromFileBytes(Bytes file) {
  ScenarioText lines;
  if (auto nul = file.find('\0'); nul != Bytes::npos) file.resize(nul);
  lines.text_ = std::move(file);
  const char* const begin = lines.text_.data();
  const std::size_t size = lines.text_.size();
  // The next LF and the next CR are each searched with memchr and kept
  // until passed, so any mix of breaks costs one pass over the text.
  auto find_from = [&](char byte, std::size_t from) {
    const void* hit = std::memchr(begin + from, byte, size - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - begin) : size;
  };
  std::size_t next_lf = find_from('\n', 0);
  std::size_t next_cr = find_from('\r', 0);
  std::size_t pos = 0;
  while (pos < size) {
    if (next_lf < pos) next_lf = find_from('\n', pos);
    if (next_cr < pos) next_cr = find_from('\r', pos);
    const std::size_t stop = next_lf < next_cr ? next_lf : next_cr;
    lines.starts_.push_back(pos);
    lines.lengths_.push_back(stop - pos);
    if (stop == size) break;
    pos = stop + 1;
    if (begin[stop] == '\r' && pos < size && begin[pos] == '\n') ++pos;
  }
  return lines;
}

BytesView ScenarioText::At(std::int64_t index) const {
  if (!Contains(index)) throw ScriptError(error_text::ListIndexOutOfBounds(index));
  return (*this)[index];
}

}  // namespace torvane
