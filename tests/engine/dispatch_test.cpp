// The dispatcher on its own, with handlers that only record what reached
// them: no window, no story state, no devices.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/interpreter.hpp"
#include "engine/scenario_loading.hpp"
#include "platform/script_error.hpp"

namespace torvane {
namespace {

struct Call {
  std::string Handler;
  Operands Given;
};

class RecordingHandlers final : public CommandHandlers {
 public:
  std::vector<Call> calls;
  // Runs inside the named handler, after it is recorded.
  std::string act_in;
  std::function<void()> act;

#define TORVANE_RECORD(op, form, lines) \
  void Cmd##op(const Operands& operands) override { Record("Cmd" #op, operands); }
  TORVANE_COMMANDS(TORVANE_RECORD)
#undef TORVANE_RECORD

 private:
  void Record(const char* name, const Operands& operands) {
    calls.push_back({name, operands});
    if (act && act_in == name) act();
  }
};

struct RecordingObserver final : StepObserver {
  std::vector<std::pair<std::int32_t, std::string>> steps;
  std::vector<std::int32_t> not_commands;
  void StepStarting(std::int32_t line, BytesView opcode) override { steps.emplace_back(line, std::string(opcode)); }
  void LineNotACommand(std::int32_t line) override { not_commands.push_back(line); }
};

class Dispatch : public ::testing::Test {
 protected:
  void Load(const std::string& text) { LoadScenarioBytes(engine, "test.txt", text); }
  LineKind Step() { return DispatchLine(engine, handlers, observer); }

  EngineState engine;
  RecordingHandlers handlers;
  RecordingObserver observer;
};

TEST_F(Dispatch, DecodesEachFormBeforeTheHandlerRuns) {
  Load("@JMP  here \n@BGM  music.mid\n@FON 07\n@IVW   42\n@FJP 03 there \n@ISJ  key ,door,x\n@REM anything\n");
  for (int i = 0; i < 7; ++i) engine.CurrentLine = i, Step();
  ASSERT_EQ(handlers.calls.size(), 7u);
  EXPECT_EQ(handlers.calls[0].Handler, "CmdJMP");
  EXPECT_EQ(handlers.calls[0].Given.Name, "here");
  EXPECT_EQ(handlers.calls[1].Given.Name, " music.mid");  // a file name is taken as written
  EXPECT_EQ(handlers.calls[2].Given.Number, 7);
  EXPECT_EQ(handlers.calls[3].Given.Number, 42);
  EXPECT_EQ(handlers.calls[4].Given.Number, 3);
  EXPECT_EQ(handlers.calls[4].Given.Name, "there");
  EXPECT_EQ(handlers.calls[5].Given.Name, "key ");
  EXPECT_EQ(handlers.calls[5].Given.Second, "door,x");
  EXPECT_EQ(handlers.calls[6].Given.Line, "@REM anything");
  EXPECT_EQ(observer.steps[1], (std::pair<std::int32_t, std::string>{1, "@BGM"}));
}

TEST_F(Dispatch, MovesCurrentLineAsTheRowSays) {
  Load("@FON 01\n@TXT 1\nhello\n@END\n@JMP a\n@FJP 01 a\n@REM\n@TAG a\n");
  EXPECT_EQ(Step(), LineKind::Command);
  EXPECT_EQ(engine.CurrentLine, 1) << "a one-line command advances once its handler returns";

  // A block or a transfer leaves CurrentLine where its handler put it.
  handlers.act_in = "CmdTXT";
  handlers.act = [&] { engine.CurrentLine = 4; };
  Step();
  EXPECT_EQ(engine.CurrentLine, 4);
  handlers.act_in = "CmdJMP";
  handlers.act = [&] { engine.CurrentLine = 6; };
  Step();
  EXPECT_EQ(engine.CurrentLine, 6);
  handlers.act_in = "CmdJMP";
  handlers.act = {};
  engine.CurrentLine = 4;
  Step();
  EXPECT_EQ(engine.CurrentLine, 4) << "a transfer that sets nothing stays";

  // A conditional command advances only when it did not transfer.
  engine.CurrentLine = 5;
  Step();
  EXPECT_EQ(engine.CurrentLine, 6);
  handlers.act_in = "CmdFJP";
  handlers.act = [&] { engine.CurrentLine = FindTag(engine, "a"); };
  engine.CurrentLine = 5;
  Step();
  EXPECT_EQ(engine.CurrentLine, 7);
  EXPECT_EQ(handlers.calls.back().Handler, "CmdFJP");
}

TEST_F(Dispatch, AnErrorLeavesCurrentLineOnTheFailingLine) {
  Load("@REM\n@FON zz\n@SAV x\n");
  engine.CurrentLine = 1;
  EXPECT_THROW(Step(), ScriptError);
  EXPECT_EQ(engine.CurrentLine, 1);
  EXPECT_EQ(handlers.calls.size(), 0u) << "an operand that does not convert stops before the handler";

  handlers.act_in = "CmdSAV";
  handlers.act = [] { throw ScriptError("cannot"); };
  engine.CurrentLine = 2;
  EXPECT_THROW(Step(), ScriptError);
  EXPECT_EQ(engine.CurrentLine, 2);
}

TEST_F(Dispatch, PassesOverBlankLinesAndStaysOnOthers) {
  Load("\n    @TXT 1\n@txt 1\n");
  EXPECT_EQ(Step(), LineKind::PassedOver);
  EXPECT_EQ(Step(), LineKind::PassedOver);
  EXPECT_EQ(engine.CurrentLine, 2);
  EXPECT_EQ(Step(), LineKind::NotACommand);
  EXPECT_EQ(Step(), LineKind::NotACommand);
  EXPECT_EQ(engine.CurrentLine, 2);
  EXPECT_EQ(observer.not_commands, (std::vector<std::int32_t>{2, 2}));
  EXPECT_TRUE(handlers.calls.empty());
}

TEST_F(Dispatch, CallsAndReturnsUseTheStack) {
  Load("@GSB s\n@REM\n@SUB s\n@RTN\n");
  CallSubroutine(engine, "s", 1);
  EXPECT_EQ(engine.CurrentLine, 2);
  EXPECT_EQ(engine.ReturnDepth, 1);
  ReturnFromCall(engine, "@RTN");
  EXPECT_EQ(engine.CurrentLine, 1);
  EXPECT_THROW(ReturnFromCall(engine, "@RTN"), ScriptError);
  EXPECT_THROW(CallSubroutine(engine, "missing", 1), ScriptError);
  EXPECT_EQ(engine.ReturnDepth, 0);
}

TEST(ScenarioLoadingBytes, ARefusedFileKeepsTheCurrentOne) {
  EngineState engine;
  LoadScenarioBytes(engine, "a.txt", "@TAG a\n@REM\n");
  std::string many;
  for (int i = 0; i < 601; ++i) many += "@TAG t" + std::to_string(i) + "\n";
  EXPECT_THROW(LoadScenarioBytes(engine, "b.txt", many), ScriptError);
  EXPECT_EQ(engine.ScenarioLines->Count(), 2);
  EXPECT_EQ(FindTag(engine, "a"), 0);
}

}  // namespace
}  // namespace torvane
