// The history as the game feeds it: what is kept, with what beside it, and
// how much.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/observer_tee.hpp"
#include "history/history.hpp"
#include "support/game_fixture.hpp"

namespace torvane::testing {
namespace {

std::string U(const Bytes& cp932) { return platform::Cp932ToUtf8(cp932); }

TEST(HistoryTest, KeepsOnlyTheNewestAndCountsThemAll) {
  History history(3);
  std::vector<std::uint64_t> told;
  history.Listen([&](const HistoryEntry& entry) { told.push_back(entry.Number); });
  for (int i = 0; i < 5; ++i) history.MessageWaiting("m" + std::to_string(i));
  ASSERT_EQ(history.Entries().size(), 3u);
  EXPECT_EQ(history.Entries().front().Text, "m2");
  EXPECT_EQ(history.Entries().back().Text, "m4");
  EXPECT_EQ(history.Entries().front().Number, 2u);
  EXPECT_EQ(history.Recorded(), 5u);
  // Listeners hear of every entry, the dropped ones too, once each.
  EXPECT_EQ(told, (std::vector<std::uint64_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(History().Capacity(), 2000u);
}

TEST(HistoryTest, AMessageCarriesThePortraitAndSceneCurrentWhenShown) {
  History history;
  history.MessageWaiting("before anything");
  history.PortraitDrawn(3);
  history.MessageWaiting("with a portrait");
  history.ScenePictureLoaded("bg\\sea.bmp", Picture{});
  history.PortraitDrawn(0);
  history.MessageWaiting("with both");
  history.PageShown("a page\n");
  history.MenuChosen("caption", "entry");
  history.ItemChosen("");
  const auto& e = history.Entries();
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].Portrait, std::nullopt);
  EXPECT_EQ(e[0].Scene, std::nullopt);
  EXPECT_EQ(e[1].Portrait, 3);
  EXPECT_EQ(e[1].Scene, std::nullopt);
  EXPECT_EQ(e[2].Portrait, 0);
  EXPECT_EQ(e[2].Scene, "bg\\sea.bmp");
  EXPECT_EQ(e[3].Kind, HistoryKind::Page);
  EXPECT_EQ(e[3].Portrait, std::nullopt);  // the narration hides both
  EXPECT_EQ(e[3].Scene, std::nullopt);
  EXPECT_EQ(e[4].Kind, HistoryKind::MenuChoice);
  EXPECT_EQ(e[4].Caption, "caption");
  EXPECT_EQ(e[4].Text, "entry");
  EXPECT_EQ(e[4].Scene, "bg\\sea.bmp");
  EXPECT_EQ(e[5].Kind, HistoryKind::ItemChoice);
  EXPECT_EQ(e[5].Text, "");
}

// The same, fed by a game as it runs.
class PlayedHistory : public ::testing::Test {
 protected:
  PlayedHistory() { std::filesystem::create_directories(dir_); }
  ~PlayedHistory() override { std::filesystem::remove_all(dir_); }

  void Start(const std::vector<std::string>& utf8_lines) {
    std::string bytes;
    for (const std::string& line : utf8_lines) bytes += Sjis(line) + "\r\n";
    std::ofstream(dir_ / "Sinario00.txt", std::ios::binary) << bytes;
    std::filesystem::copy_file(std::filesystem::path(TORVANE_PICTURE_FIXTURES) / "small.bmp", dir_ / "sea.bmp");
    form.RunMenuCommand(&TForm1::N1Click);
  }
  void Ticks(int n) { game.Time.RunUntil(game.Time.After(50 * static_cast<std::int64_t>(n))); }
  // Ticks until `done` holds, at most 200 of them.
  bool TicksUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) Ticks(1);
    return done();
  }
  void Press() { form.PressAt(300, 350, MouseButton::Left); }

  std::filesystem::path dir_ = NewFolderName();
  RecordingHost host;
  History history;
  ObserverTee both{host, history};
  VirtualGame game{GameSetup{dir_, dir_ / "save" / "Kesmar.ini", {}, {}}, host, both};
  TForm1& form = game.Game.Form();
};

TEST_F(PlayedHistory, RecordsMessagesPagesAndChoicesInTheOrderShown) {
  Start({"@STR", "@STX", "一枚目", "@END", "@STE", "@BGS sea.bmp", "@TXT 2", "こんにちは", "二行目", "@END",
         "@CMD 浜辺", "歩く,A", "休む,B", "@END", "@JMP next", "@SUB A", "@TXT 5", "歩いた", "@END", "@RTN",
         "@SUB B", "@RTN", "@TAG next", "@IIZ", "古い鍵,Get,None,錆びた鍵。", "@END", "@ITM", "@ISS 11",
         "@TAG end", "@JMP end"});
  host.dialog_pick = 0;
  const auto message_waits = [&] { return form.Engine.ClickGate == 0; };
  ASSERT_TRUE(TicksUntil(message_waits));
  Press();
  ASSERT_TRUE(TicksUntil([&] { return !form.Form.ListBox1Items.empty(); }));
  form.ListBox1Select(0);
  ASSERT_TRUE(TicksUntil(message_waits));
  Press();
  ASSERT_TRUE(TicksUntil(message_waits));
  Press();
  Ticks(3);
  ASSERT_TRUE(host.errors.empty()) << host.LastErrorUtf8();
  const auto& e = history.Entries();
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].Kind, HistoryKind::Page);
  EXPECT_EQ(U(e[0].Text), "一枚目\n");
  EXPECT_EQ(e[1].Kind, HistoryKind::Message);
  EXPECT_EQ(U(e[1].Text), "\nこんにちは\n二行目\n");
  EXPECT_EQ(e[1].Portrait, 2);
  EXPECT_EQ(e[1].Scene, "sea.bmp");
  EXPECT_EQ(e[2].Kind, HistoryKind::MenuChoice);
  EXPECT_EQ(U(e[2].Caption), "浜辺");
  EXPECT_EQ(U(e[2].Text), "歩く");
  EXPECT_EQ(e[3].Kind, HistoryKind::Message);
  EXPECT_EQ(U(e[3].Text), "\n歩いた\n");
  EXPECT_EQ(e[3].Portrait, 5);
  EXPECT_EQ(e[4].Kind, HistoryKind::ItemChoice);
  EXPECT_EQ(U(e[4].Text), "古い鍵");
  // A portrait number outside the set draws nothing, so the last one stays.
  EXPECT_EQ(e[5].Kind, HistoryKind::Message);
  EXPECT_EQ(e[5].Portrait, 5);
  EXPECT_EQ(U(e[5].Text), "＜  古い鍵  ＞\n錆びた鍵。");
}

TEST_F(PlayedHistory, AChoiceThatFailsIsNotRecorded) {
  Start({"@CMD 浜辺", "歩く,nowhere", "@END", "@TAG end", "@JMP end"});
  Ticks(3);
  form.ListBox1Select(0);
  EXPECT_EQ(host.errors.size(), 1u);
  EXPECT_TRUE(history.Entries().empty());
}

TEST_F(PlayedHistory, ADialogClosedWithoutAPickIsAnEmptyItemChoice) {
  Start({"@ITM", "@TAG end", "@JMP end"});
  host.dialog_pick = -1;
  Ticks(3);
  ASSERT_EQ(history.Entries().size(), 1u);
  EXPECT_EQ(history.Entries()[0].Kind, HistoryKind::ItemChoice);
  EXPECT_EQ(history.Entries()[0].Text, "");
}

}  // namespace
}  // namespace torvane::testing
