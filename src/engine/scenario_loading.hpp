#pragma once

#include "engine/engine_state.hpp"
#include "platform/bytes.hpp"
#include "platform/file_reader.hpp"

namespace torvane {

// Makes a file's bytes the current scenario: its lines and its labels. A
// file with more lines or labels than the tables hold is refused whole, so
// the current file and its labels stay as they were.
void LoadScenarioBytes(EngineState& engine, BytesView file_name, platform::FileBuffer bytes);
inline void LoadScenarioBytes(EngineState& engine, BytesView file_name, Bytes bytes) {
  LoadScenarioBytes(engine, file_name, platform::FileBuffer(std::move(bytes)));
}

}  // namespace torvane
