#include "engine/scenario_loading.hpp"

#include <limits>

#include "engine/label_index.hpp"
#include "platform/script_error.hpp"

namespace torvane {
namespace {

void CheckCapacity(BytesView file_name, const ScenarioText& lines, const LabelLines& labels) {
  if (lines.Count() > std::numeric_limits<std::int32_t>::max()) {
    throw ScriptError(error_text::TooManyLines(file_name, std::numeric_limits<std::int32_t>::max()));
  }
  if (labels.tags.size() > kTagCapacity) {
    throw ScriptError(error_text::TooManyLabels(file_name, "@TAG", labels.tags.size(), kTagCapacity));
  }
  if (labels.subs.size() > kSubCapacity) {
    throw ScriptError(error_text::TooManyLabels(file_name, "@SUB", labels.subs.size(), kSubCapacity));
  }
}

}  // namespace

void LoadScenarioBytes(EngineState& engine, BytesView file_name, platform::FileBuffer bytes) {
  LabelLines labels;
  ScenarioText lines = ScenarioText::FromFileBytes(std::move(bytes), &labels);
  CheckCapacity(file_name, lines, labels);
  engine.ScenarioLines = std::move(lines);
  IndexLabels(*engine.ScenarioLines, labels, engine.TagTable, engine.SubTable);
}

}  // namespace torvane
