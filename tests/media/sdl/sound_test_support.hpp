#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "platform/script_error.hpp"
#include "media/media_devices.hpp"
#include "platform/cp932.hpp"
#include "platform/game_folder.hpp"

namespace torvane::testing_support {

inline platform::GameFolder SoundFixtures() { return platform::GameFolder(TORVANE_SOUND_FIXTURES); }

// The error text Open raised, in UTF-8; "(opened)" when it succeeded.
inline std::string OpenOutcome(MusicDevice& music, const std::string& file) {
  try {
    music.Open(file);
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
  return "(opened)";
}

// Polls until `done()` holds; false when `timeout` passes first. The mixer
// runs in real time on the dummy driver, so the timeout only bounds a hang.
template <typename Condition>
bool WaitFor(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace torvane::testing_support
