#pragma once

#include <optional>

namespace torvane {

class TForm1;

// What the game waits for when it waits for the player. Items and Box are
// modal steps, which only the host serving them knows of.
enum class WaitKind { Title, Click, Choice, Items, Box, Stopped, Stuck };

// What the game waits for outside a modal step; nothing while it runs.
std::optional<WaitKind> WhatGameWaitsFor(const TForm1& form);

}  // namespace torvane
