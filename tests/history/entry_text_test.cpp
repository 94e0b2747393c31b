// How history entries read as text, for the backlog and text-hook tools.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "history/entry_text.hpp"
#include "history/text_out.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

HistoryEntry Message(const std::string& utf8, std::optional<int> portrait = {}, std::optional<Bytes> scene = {}) {
  return {HistoryKind::Message, Sjis(utf8), {}, portrait, scene};
}

TEST(EntryTextTest, ShownTextDropsTheEmptyRowsAroundItOnly) {
  EXPECT_EQ(ShownText(Message("\n一行目\n\n三行目\n")), "一行目\n\n三行目");
  EXPECT_EQ(ShownText({HistoryKind::ItemChoice, "", {}, {}, {}}), "（選ばずに閉じた）");
  EXPECT_EQ(ShownText({HistoryKind::MenuChoice, Sjis("歩く"), Sjis("浜辺"), {}, {}}), "歩く");
}

TEST(EntryTextTest, TextOutWritesRowsThenAnEmptyLineAndNoChoices) {
  EXPECT_EQ(TextOutLines(Message("\n一行目\n\n三行目\n")), "一行目\n三行目\n\n");
  EXPECT_EQ(TextOutLines({HistoryKind::Page, Sjis("ページ\n"), {}, {}, {}}), "ページ\n\n");
  EXPECT_EQ(TextOutLines(Message("\n\n")), "");
  EXPECT_EQ(TextOutLines({HistoryKind::MenuChoice, "a", "b", {}, {}}), "");
  EXPECT_EQ(TextOutLines({HistoryKind::ItemChoice, "a", {}, {}, {}}), "");
  // Characters the wrong converter maps badly come out right.
  EXPECT_EQ(TextOutLines(Message("～①髙")), "～①髙\n\n");
}

TEST(EntryTextTest, HeadingNamesPortraitAndSceneOnlyWhenTheyChange) {
  const HistoryEntry first = Message("a", 3, Sjis("浜辺.bmp"));
  EXPECT_EQ(EntryHeading(first, nullptr), "［顔 3 ・ 浜辺.bmp］");
  EXPECT_EQ(EntryHeading(Message("b", 3, Sjis("浜辺.bmp")), &first), "");
  EXPECT_EQ(EntryHeading(Message("b", 4, Sjis("浜辺.bmp")), &first), "［顔 4 ・ 浜辺.bmp］");
  EXPECT_EQ(EntryHeading(Message("b", std::nullopt, Sjis("x.bmp")), &first), "［x.bmp］");
  EXPECT_EQ(EntryHeading(Message("b"), nullptr), "");
  EXPECT_EQ(EntryHeading({HistoryKind::MenuChoice, "a", Sjis("浜辺"), 3, {}}, &first), "［選択］ 浜辺");
  EXPECT_EQ(EntryHeading({HistoryKind::Page, "a", {}, {}, {}}, &first), "［語り］");
}

TEST(TextOutFileTest, WritesEachEntryAtOnceAndRefusesAFileItCannotOpen) {
  const std::string path = ::testing::TempDir() + "/torvane-text-out.txt";
  {
    TextOutFile out;
    ASSERT_EQ(out.Open(path), std::nullopt);
    History history;
    out.Follow(history);
    history.MessageWaiting(Sjis("\nはじめ\n"));
    history.MenuChosen("c", "e");
    // Flushed while the file is still open.
    std::ifstream early(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(early), {}), "はじめ\n\n");
    history.PageShown(Sjis("頁\n"));
  }
  std::ifstream file(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "はじめ\n\n頁\n\n");
  TextOutFile refused;
  const auto why = refused.Open("/nonexistent-folder/out.txt");
  ASSERT_TRUE(why.has_value());
  EXPECT_NE(why->find("/nonexistent-folder/out.txt: "), std::string::npos);
  EXPECT_FALSE(refused.IsOpen());
}

}  // namespace
}  // namespace torvane
