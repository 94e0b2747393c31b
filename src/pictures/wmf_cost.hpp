#pragma once

#include "pictures/wmf_file.hpp"

namespace torvane::pictures {

// Whether playing the file stays within one picture's budget (see
// picture_budget.hpp): objects, the lowest-free-slot table, bitmap pixels,
// drawing work and region work, judged from the records alone when the
// file is loaded, so that the headless runner refuses what the window
// would not draw. Clipping regions are not built: each counts as the most
// rectangles the records that made it could give GDI's banded regions.
bool WithinBudget(const WmfFile& file);

}  // namespace torvane::pictures
