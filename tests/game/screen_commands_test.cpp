#include <fstream>

#include "support/game_fixture.hpp"

namespace torvane::testing {
namespace {

using ScreenCommands = GameFixture;

TEST_F(ScreenCommands, FailedSceneLoadKeepsThePreviousPicture) {
  std::ifstream fixture(std::filesystem::path(TORVANE_PICTURE_FIXTURES) / "small.bmp",
                        std::ios::binary);
  WriteFile("a.bmp", std::string(std::istreambuf_iterator<char>(fixture), {}));
  WriteFile("b.bmp", "BM not a bitmap");
  StartWith("@BGS a.bmp\n@BGS b.bmp\n");
  Ticks(1);
  const auto first = form.Form.Image1Picture;
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Width, 64);
  Ticks(1);
  EXPECT_EQ(host.LastErrorUtf8(), "ビットマップイメージが不正です");
  EXPECT_EQ(form.Form.Image1Picture, first);
  EXPECT_EQ(form.Engine.CurrentLine, 1);
}

TEST_F(ScreenCommands, NarrationWaitsFourSecondsPerPageInsideOneStep) {
  StartWith("@STR\n@STX\nfirst\nsecond\n@END\n@SEM x.wav\n@STX\n@END\n@STE\n@REM\n");
  Ticks(2);
  EXPECT_EQ(host.waits, (std::vector<std::int64_t>{4000, 4000}));
  EXPECT_EQ(form.Engine.CurrentLine, 8);  // on the "@STE", which the next step runs
  EXPECT_EQ(form.Form.Label4.Caption, "");
  EXPECT_EQ(form.Form.Color, WindowColor::Black);
  Ticks(1);
  EXPECT_FALSE(form.Form.Label4.Visible);
  EXPECT_TRUE(form.Form.ListBox1.Visible);
  EXPECT_TRUE(form.Form.MENU01.Visible);
  EXPECT_FALSE(form.Form.N1.Visible);
}

TEST_F(ScreenCommands, FailedMusicOpenLeavesNoTrackAndTheLoopOff) {
  WriteFile("a.mid", "MThd");
  StartWith("@BGM a.mid\n@BGM b.mid\n");
  Ticks(1);
  EXPECT_TRUE(music.IsPlaying());
  EXPECT_TRUE(form.Timer1.Enabled());
  Ticks(1);
  EXPECT_EQ(host.LastErrorUtf8(), "音楽ファイル「b.mid」を開けません");
  EXPECT_FALSE(music.IsPlaying());
  EXPECT_FALSE(form.Timer1.Enabled());
  EXPECT_EQ(form.Engine.CurrentLine, 1);
}

TEST_F(ScreenCommands, MenuChoiceReturnsToTheLineAfterTheBlock) {
  StartWith("@STE\n@CMD c\na,s\n@END\n@REM back\n@SUB s\n@RTN\n");
  Ticks(2);
  EXPECT_EQ(form.Engine.MenuGate, 0);
  EXPECT_TRUE(form.Form.ListBox1.Enabled);
  form.Form.Label1.Caption = "old";
  form.ListBox1Select(0);
  EXPECT_EQ(form.Engine.ReturnStack[0], 4);
  EXPECT_EQ(form.Engine.CurrentLine, 5);
  EXPECT_EQ(form.Form.Label1.Caption, "");
  EXPECT_FALSE(form.Form.ListBox1.Enabled);
  EXPECT_TRUE(form.Form.ListBox1Items.empty());
  Ticks(2);
  EXPECT_EQ(form.Engine.CurrentLine, 4);
}

TEST_F(ScreenCommands, ExitAsksAndOnlyYesCloses) {
  host.box_answer = MessageBoxResult::No;
  form.RunMenuCommand(&TForm1::MENU12Click);
  EXPECT_FALSE(host.closed);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(platform::Cp932ToUtf8(host.boxes[0].Caption), "ゲームの終了");
  EXPECT_EQ(host.boxes[0].Buttons, MessageBoxButtons::YesNo);
  host.box_answer = MessageBoxResult::Yes;
  form.RunMenuCommand(&TForm1::MENU12Click);
  EXPECT_TRUE(host.closed);
}

}  // namespace
}  // namespace torvane::testing
