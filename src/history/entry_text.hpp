#pragma once

#include <string>

#include "history/history.hpp"

namespace torvane {

// How an entry of the history reads as UTF-8 text, for the backlog, the
// clipboard, speech and text-hook tools.

// The text as shown, its rows joined by line feeds, without the empty rows
// it begins or ends with (every message begins with one). A choice reads
// as the entry chosen.
std::string ShownText(const HistoryEntry& entry);

// For text-hook tools: each row of a message or page that is not empty, on
// a line of its own, then one empty line, so an empty line always ends an
// entry. Empty for choices, which are not written.
std::string TextOutLines(const HistoryEntry& entry);

// The backlog's line above an entry; empty when there is nothing worth
// saying. A message names its portrait and scene when they differ from the
// entry before's (`previous`: none for the first).
std::string EntryHeading(const HistoryEntry& entry, const HistoryEntry* previous);

}  // namespace torvane
