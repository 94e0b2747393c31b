#include "support/game_fixture.hpp"

namespace torvane::testing {
namespace {

using Interpreter = GameFixture;

TEST_F(Interpreter, NothingRunsBeforeStartAndStartBeginsAtLineZero) {
  WriteFile("Sinario00.txt", "@REM\n@REM\n@REM\n");
  Ticks(5);
  EXPECT_TRUE(host.steps.empty());
  form.RunMenuCommand(&TForm1::N1Click);
  EXPECT_EQ(form.Engine.CurrentLine, 0);
  EXPECT_EQ(form.Engine.ClickGate, 1);
  EXPECT_EQ(form.Engine.MenuGate, 1);
  Ticks(2);
  EXPECT_EQ(host.steps, (std::vector<std::int32_t>{0, 1}));
}

TEST_F(Interpreter, OneLinePerTickAndAJumpSpendsATickOnItsLabel) {
  StartWith("@JMP b\r\n@REM skipped\r\n@TAG b\r\n@REM after\r\n@JMP b\r\n");
  Ticks(7);
  EXPECT_EQ(host.steps, (std::vector<std::int32_t>{0, 2, 3, 4, 2, 3, 4}));
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(Interpreter, CallsReturnInReverseOrderAndEsbEqualsRtn) {
  StartWith(
      "@GSB a\n"      // 0
      "@JMP end\n"    // 1
      "@SUB a\n"      // 2
      "@GSB b\n"      // 3
      "@RTN\n"        // 4
      "@SUB b\n"      // 5
      "@GSB c\n"      // 6
      "@ESB\n"        // 7
      "@SUB c\n"      // 8
      "@RTN\n"        // 9
      "@TAG end\n"    // 10
      "@JMP end\n");  // 11
  Ticks(6);
  EXPECT_EQ(form.Engine.ReturnDepth, 3);
  EXPECT_EQ(form.Engine.ReturnStack[0], 1);
  EXPECT_EQ(form.Engine.ReturnStack[1], 4);
  EXPECT_EQ(form.Engine.ReturnStack[2], 7);
  Ticks(8);
  EXPECT_EQ(host.steps, (std::vector<std::int32_t>{0, 2, 3, 5, 6, 8, 9, 7, 4, 1, 10, 11, 10, 11}));
  EXPECT_EQ(form.Engine.ReturnDepth, 0);
  // Returns leave the popped entries in place.
  EXPECT_EQ(form.Engine.ReturnStack[2], 7);
}

TEST_F(Interpreter, JumpOutOfASubroutineLeavesItsReturnEntry) {
  StartWith("@GSB s\n@TAG back\n@SUB s\n@JMP out\n@TAG out\n@RTN\n");
  Ticks(5);  // @GSB, @SUB, @JMP, @TAG out, @RTN
  EXPECT_EQ(form.Engine.ReturnDepth, 0);
  EXPECT_EQ(form.Engine.CurrentLine, 1);
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(Interpreter, AnErrorStopsTheTickForGoodAndKeepsWhereItHappened) {
  StartWith("@REM\n@REM last\n");
  Ticks(3);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.LastErrorUtf8(), "リストのインデックスが範囲を超えています (2)");
  EXPECT_EQ(host.errors[0].Line, 2);
  EXPECT_EQ(host.errors[0].File, "Sinario00.txt");
  EXPECT_FALSE(form.Timer2.Enabled());
  form.PressAt(300, 350, MouseButton::Left);
  Ticks(20);
  EXPECT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.steps.size(), 2u);
}

TEST_F(Interpreter, EmptyFileFailsAtLineZero) {
  StartWith("");
  Ticks(1);
  EXPECT_EQ(host.LastErrorUtf8(), "リストのインデックスが範囲を超えています (0)");
}

TEST_F(Interpreter, LineThatIsNotACommandHoldsTheEngine) {
  StartWith("@REM\n @REM leading blank\n@REM\n");
  Ticks(10);
  EXPECT_EQ(form.Engine.CurrentLine, 1);
  EXPECT_EQ(host.steps, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(host.stuck.size(), 9u);
  EXPECT_TRUE(form.Timer2.Enabled());
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(Interpreter, ClosedGatesStopStepping) {
  StartWith("@REM\n@REM\n@REM\n");
  form.Engine.MenuGate = 0;
  Ticks(3);
  EXPECT_TRUE(host.steps.empty());
  form.Engine.MenuGate = 1;
  form.WaitForClick();
  Ticks(3);
  EXPECT_TRUE(host.steps.empty());
  EXPECT_EQ(form.Form.Cursors.Current, 1);
  // The black full-screen label covers the game until the normal screen
  // is shown, and takes presses without effect.
  form.PressAt(10, 10, MouseButton::Left);
  Ticks(1);
  EXPECT_TRUE(host.steps.empty());
  form.Form.Label4.Visible = false;
  form.PressAt(10, 10, MouseButton::Left);  // the scene picture
  Ticks(1);
  EXPECT_EQ(host.steps, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(form.Form.Cursors.Current, 0);
}

TEST_F(Interpreter, UndefinedLabelsAndEmptyReturnsStopWithANamedError) {
  StartWith("@JMP nowhere\n");
  Ticks(1);
  EXPECT_EQ(host.LastErrorUtf8(), "ラベル「nowhere」(@TAG) がこのファイルにありません");
  EXPECT_EQ(form.Engine.CurrentLine, 0);
}

TEST_F(Interpreter, UndefinedSubroutineLeavesTheStackUntouched) {
  StartWith("@GSB\n");
  Ticks(1);
  EXPECT_EQ(host.LastErrorUtf8(), "サブルーチン「」(@SUB) がこのファイルにありません");
  EXPECT_EQ(form.Engine.ReturnDepth, 0);
}

TEST_F(Interpreter, ReturnWithEmptyStackStops) {
  StartWith("@ESB\n");
  Ticks(1);
  EXPECT_EQ(host.LastErrorUtf8(), "@ESB の戻り先がありません (サブルーチンの外で実行されました)");
  EXPECT_EQ(form.Engine.ReturnDepth, 0);
  EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(Interpreter, TheFiveHundredFirstNestedCallStops) {
  StartWith("@SUB r\n@GSB r\n");
  Ticks(1000);  // 500 calls, each taking two ticks
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(form.Engine.ReturnDepth, 500);
  Ticks(2);
  EXPECT_EQ(host.LastErrorUtf8(), "サブルーチンの呼び出しが深すぎます (500 段まで)");
  EXPECT_EQ(form.Engine.ReturnDepth, 500);
  EXPECT_EQ(form.Engine.CurrentLine, 1);
}

TEST_F(Interpreter, NxtContinuesAtLineOneKeepingStoryState) {
  WriteFile("Next.txt", "@TXT 1\n@REM line one\n@TAG t\n@JMP t\n");
  StartWith("@GSB s\n@SUB s\n@NXT Next.txt\n");
  form.Story.FlagBank[3] = 1;
  Ticks(3);
  EXPECT_EQ(form.Engine.CurrentLine, 1);
  EXPECT_EQ(form.Engine.ReturnDepth, 0);
  ASSERT_EQ(host.loads.size(), 2u);
  EXPECT_EQ(host.loads[1], std::make_pair(Bytes("Next.txt"), StartMode::NextFile));
  Ticks(3);
  EXPECT_EQ(host.steps.back(), 3);
  EXPECT_EQ(form.Story.FlagBank[3], 1);
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(Interpreter, FailedNxtKeepsTheOldFileAndStops) {
  StartWith("@TAG here\n@NXT missing.txt\n");
  Ticks(3);
  EXPECT_EQ(host.LastErrorUtf8(), "ファイル missing.txt は開けません");
  EXPECT_EQ(form.Engine.CurrentLine, 1);
  EXPECT_EQ(form.Engine.ScenarioLines->Count(), 2);
  EXPECT_EQ(form.Engine.TagTable.Find("here"), 0);
  EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(Interpreter, FileWithTooManyLabelsIsRefusedWhole) {
  std::string many;
  for (int i = 0; i <= 500; ++i) many += "@SUB s" + std::to_string(i) + "\n";
  WriteFile("Big.txt", many);
  StartWith("@TAG keep\n@NXT Big.txt\n");
  Ticks(2);
  EXPECT_EQ(host.LastErrorUtf8(), "ファイル Big.txt には @SUB が 501 個あります (500 個まで)");
  EXPECT_EQ(form.Engine.TagTable.Find("keep"), 0);
  EXPECT_EQ(form.Engine.ScenarioLines->Count(), 2);
}

TEST_F(Interpreter, TheNextTickComesOneIntervalAfterTheStep) {
  StartWith("@REM\n@REM\n");
  EXPECT_EQ(form.Timer2.NextDue(), 50);
  RunFor(50);
  EXPECT_EQ(form.Timer2.NextDue(), 100);
}

}  // namespace
}  // namespace torvane::testing
