#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "engine/label_index.hpp"
#include "engine/scenario_text.hpp"

namespace torvane {

// The interpreter's own state. Every number and gate starts at 0 and every
// table entry empty; the gates are 1 when open.
struct EngineState {
  static constexpr std::int32_t kReturnStackCapacity = 500;

  // None until the first Start or Continue creates the list.
  std::optional<ScenarioText> ScenarioLines;
  LabelTable TagTable{kTagCapacity};
  LabelTable SubTable{kSubCapacity};
  std::uint8_t ClickGate = 0;
  std::uint8_t MenuGate = 0;
  std::int32_t CurrentLine = 0;
  std::array<std::int32_t, kReturnStackCapacity> ReturnStack{};
  std::int32_t ReturnDepth = 0;
};

}  // namespace torvane
