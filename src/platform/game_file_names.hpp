#pragma once

namespace torvane {

// The scenario Start opens, and the one Continue opens when nothing was saved.
inline constexpr char kFirstScenario[] = "Sinario00.txt";

// The save point, beside the scenarios.
inline constexpr char kSavePointFile[] = "Kesmar.ini";

}  // namespace torvane
