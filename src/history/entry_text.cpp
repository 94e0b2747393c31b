#include "history/entry_text.hpp"

#include <string_view>

#include "platform/cp932.hpp"

namespace torvane {
namespace {

std::string_view TrimEmptyRows(std::string_view text) {
  while (!text.empty() && (text.front() == '\n' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::string Place(const HistoryEntry& entry) {
  std::string place;
  if (entry.Portrait) place = "顔 " + std::to_string(*entry.Portrait);
  if (entry.Scene) place += (place.empty() ? "" : " ・ ") + platform::Cp932ToUtf8(*entry.Scene);
  return place;
}

}  // namespace

std::string ShownText(const HistoryEntry& entry) {
  if (entry.Kind == HistoryKind::ItemChoice && entry.Text.empty()) return "（選ばずに閉じた）";
  return platform::Cp932ToUtf8(TrimEmptyRows(entry.Text));
}

std::string TextOutLines(const HistoryEntry& entry) {
  if (entry.Kind != HistoryKind::Message && entry.Kind != HistoryKind::Page) return {};
  const std::string text = platform::Cp932ToUtf8(entry.Text);
  std::string lines;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view row = rest.substr(0, end);
    if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
    if (!row.empty()) lines.append(row).push_back('\n');
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (lines.empty()) return {};
  return lines + "\n";
}

std::string EntryHeading(const HistoryEntry& entry, const HistoryEntry* previous) {
  switch (entry.Kind) {
    case HistoryKind::Page: return "［語り］";
    case HistoryKind::MenuChoice: return "［選択］ " + platform::Cp932ToUtf8(entry.Caption);
    case HistoryKind::ItemChoice: return "［アイテム］";
    case HistoryKind::Message: break;
  }
  if (previous && previous->Portrait == entry.Portrait && previous->Scene == entry.Scene) return {};
  const std::string place = Place(entry);
  return place.empty() ? std::string() : "［" + place + "］";
}

}  // namespace torvane
