#pragma once

#include <array>
#include <cstdint>

#include "platform/bytes.hpp"

namespace torvane {

struct ItemRecord {
  Bytes Name;
  Bytes Holding;
  Bytes Usage;
  Bytes Description;
};

// Flags and items: what a story remembers across files.
struct StoryState {
  static constexpr std::size_t kFlagBankSize = 500;
  static constexpr std::size_t kScriptFlags = 100;  // scripts name 00 to 99
  static constexpr std::size_t kItemCapacity = 100;

  std::array<std::uint8_t, kFlagBankSize> FlagBank{};
  std::array<ItemRecord, kItemCapacity> ItemTable{};
  ItemRecord SelectedItem;
};

}  // namespace torvane
