#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "app/headless/command_line.hpp"
#include "app/headless/input_script.hpp"
#include "app/headless/json_writer.hpp"

namespace torvane::headless {
namespace {

std::vector<InputAction> Parse(std::string_view text) {
  auto parsed = ParseInputScript(text);
  if (auto* error = std::get_if<InputParseError>(&parsed)) {
    ADD_FAILURE() << "line " << error->LineNumber << ": " << error->Message;
    return {};
  }
  return std::get<std::vector<InputAction>>(parsed);
}

TEST(InputScript, ParsesEveryActionAndSkipsCommentsAndBlanks) {
  auto actions = Parse(
      "# a comment\r\n\nstart\n  click  \nclick 10 -2\nrclick 5 6\nchoose 3\nchoose \"話す, \"\"x\"\npick \"鍵\"\n"
      "pick 0\nclose\nok\nyes\nno\nwait 4000\ndump\nquit\ncontinue\nexit");
  ASSERT_EQ(actions.size(), 17u);
  EXPECT_EQ(actions[0].Kind, InputKind::Start);
  EXPECT_EQ(actions[1].Kind, InputKind::Click);
  EXPECT_EQ(actions[1].X, 300);
  EXPECT_EQ(actions[1].Y, 350);
  EXPECT_EQ(actions[1].Written, "click");
  EXPECT_EQ(actions[2].Y, -2);
  EXPECT_EQ(actions[3].Kind, InputKind::RightClick);
  EXPECT_EQ(actions[4].Index, 3);
  EXPECT_EQ(actions[5].Text, "話す, \"\"x");  // between the first and the last quote
  EXPECT_EQ(actions[6].Kind, InputKind::Pick);
  EXPECT_EQ(actions[6].Text, "鍵");
  EXPECT_EQ(actions[12].Ms, 4000);
  EXPECT_EQ(actions[15].Kind, InputKind::Continue);
  EXPECT_EQ(actions[16].Kind, InputKind::Exit);
}

TEST(InputScript, RejectsLinesThatDoNotParseWithTheirNumber) {
  for (const char* bad : {"jump", "click 1", "click a b", "wait", "wait -1", "choose", "choose -1", "start now",
                          "pick \"unterminated", "wait 1.5"}) {
    auto parsed = ParseInputScript(std::string("start\n") + bad + "\n");
    const auto* error = std::get_if<InputParseError>(&parsed);
    ASSERT_NE(error, nullptr) << bad;
    EXPECT_EQ(error->LineNumber, 2) << bad;
  }
}

TEST(CommandLine, ReadsEveryOptionInBothForms) {
  auto parsed = ParseCommandLine({"--input", "in.txt", "--transcript=-", "--save-file", "s.ini", "--max-time=500",
                                  "--trace", "--strict", "game"},
                                 "1");
  ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
  const auto& line = std::get<CommandLine>(parsed);
  EXPECT_EQ(line.InputFile, "in.txt");
  EXPECT_EQ(line.TranscriptFile, "-");
  EXPECT_EQ(line.Runner.SaveFile, std::filesystem::path("s.ini"));
  EXPECT_EQ(line.Runner.MaxTimeMs, 500);
  EXPECT_TRUE(line.Runner.Trace);
  EXPECT_TRUE(line.Runner.Strict);
  EXPECT_EQ(line.Runner.GameDir, std::filesystem::path("game"));
  // Off unless asked for: a plain run keeps status 0 after a script error.
  EXPECT_FALSE(std::get<CommandLine>(ParseCommandLine({"game"}, "1")).Runner.Strict);
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--input"}, {"--max-time", "soon"}, {"a", "b"}, {"--trace=yes"}, {"--strict=no"}}) {
    auto parsed = ParseCommandLine(args, "1");
    ASSERT_TRUE(std::holds_alternative<CommandLineExit>(parsed)) << args[0];
    EXPECT_EQ(std::get<CommandLineExit>(parsed).Status, kExitUsage);
  }
  EXPECT_EQ(std::get<CommandLineExit>(ParseCommandLine({"--help"}, "1")).Status, kExitNormal);
}

TEST(CommandLine, ReadingModesTakeTheirValuesAndRefuseNonsense) {
  const auto line = std::get<CommandLine>(
      ParseCommandLine({"--fast", "8", "--skip-read=seen", "--auto", "1500", "game"}, "1"));
  EXPECT_EQ(line.Runner.FastSpeed, 8);
  EXPECT_EQ(line.Runner.SkipReadFile, std::filesystem::path("seen"));
  EXPECT_EQ(line.Runner.AutoMs, 1500);
  const auto plain = std::get<CommandLine>(ParseCommandLine({"game"}, "1"));
  EXPECT_FALSE(plain.Runner.FastSpeed || plain.Runner.SkipReadFile || plain.Runner.AutoMs);
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"--fast", "0"}, {"--fast", "65"}, {"--fast", "2x"}, {"--fast", "-3"}, {"--auto", "-1"},
           {"--auto", "soon"}, {"--auto", "99999999999"}, {"--skip-read"}, {"--skip-read="}}) {
    auto parsed = ParseCommandLine(args, "1");
    ASSERT_TRUE(std::holds_alternative<CommandLineExit>(parsed)) << args[0] << " " << args.back();
    EXPECT_EQ(std::get<CommandLineExit>(parsed).Status, kExitUsage);
  }
}

TEST(CommandLine, GameDirMustBeAFolder) {
  const std::filesystem::path dir = 
      std::filesystem::temp_directory_path() / ("torvane-game-dir-test-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "Sinario00.txt") << "@REM\r\n";
  EXPECT_FALSE(CheckGameDir(dir).has_value());
  const auto file = CheckGameDir(dir / "Sinario00.txt");
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->Status, kExitUsage);
  EXPECT_NE(file->Text.find("Sinario00.txt' is not a folder"), std::string::npos) << file->Text;
  const auto missing = CheckGameDir(dir / "missing");
  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->Status, kExitUsage);
  EXPECT_NE(missing->Text.find("missing' does not exist"), std::string::npos) << missing->Text;
  std::filesystem::remove_all(dir);
}

TEST(JsonWriter, EscapesControlBytesAndKeepsUtf8) {
  EXPECT_EQ(JsonObject().Add("t", 5).Add("text", "a\"b\\c\n\t\x01日本").AddNull("w").Add("b", false).Str(),
            "{\"t\":5,\"text\":\"a\\\"b\\\\c\\n\\t\\u0001日本\",\"w\":null,\"b\":false}");
}

}  // namespace
}  // namespace torvane::headless
