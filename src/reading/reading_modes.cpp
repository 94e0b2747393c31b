#include "reading/reading_modes.hpp"

#include <algorithm>

namespace torvane::reading {

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::Fast: return "fast";
    case Mode::Skip: return "skip";
    case Mode::Auto: return "auto";
  }
  return "";
}

std::int64_t CharacterCount(BytesView cp932) {
  std::int64_t count = 0;
  for (std::size_t i = 0; i < cp932.size(); ++i) {
    const auto byte = static_cast<unsigned char>(cp932[i]);
    if (byte == '\n' || byte == '\r') continue;
    ++count;
    const bool lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    if (lead && i + 1 < cp932.size()) ++i;
  }
  return count;
}

int ReadingModes::Speed() const {
  if (!Fast() && !skip_) return 1;
  return std::clamp(Settings.FastSpeed, 1, ModeSettings::kMaxFastSpeed);
}

bool ReadingModes::Showing(const ShownText& text) {
  if (!skip_ || text.Seen) return false;
  skip_ = false;
  return true;
}

std::optional<Press> ReadingModes::NextPress(const ShownText& message) const {
  if (message.What != ShownText::Kind::Message) return std::nullopt;
  if (Fast()) return Press{Mode::Fast, message.ShownAtMs + kFastPressMs};
  if (skip_ && message.Seen) return Press{Mode::Skip, message.ShownAtMs + kFastPressMs};
  if (auto_) {
    // The delay is the player's reading time, so it is counted on the
    // player's clock whatever speed the game's runs at.
    const std::int64_t chars = std::max<std::int64_t>(0, message.Characters);
    const std::int64_t delay = std::max<std::int64_t>(0, Settings.AutoBaseMs) +
                               std::max<std::int64_t>(0, Settings.AutoCharMs) * chars;
    return Press{Mode::Auto, message.ShownAtMs + delay * Speed()};
  }
  return std::nullopt;
}

}  // namespace torvane::reading
