#pragma once

namespace torvane {

// The scenario Start opens, and the one Continue opens when nothing was saved.
inline constexpr char kFirstScenario[] = "Sinario00.txt";

}  // namespace torvane
