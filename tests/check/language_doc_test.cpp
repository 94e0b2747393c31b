// docs/language.md against the engine: its command table is the engine's,
// row for row, and every example reports what the page says it does.
#include <gmock/gmock.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "check/check_fixture.hpp"
#include "check/checker.hpp"
#include "check/command_help.hpp"
#include "engine/command_table.hpp"

namespace torvane::test {
namespace {

std::string LanguagePage() {
  std::ifstream file(TORVANE_DOCS_DIR "/language.md", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// How the page names an operand form and a line effect.
std::string FormWord(OperandForm form) {
  switch (form) {
    case OperandForm::None: return "none";
    case OperandForm::Name: return "name";
    case OperandForm::File: return "file";
    case OperandForm::Flag: return "flag";
    case OperandForm::Number: return "number";
    case OperandForm::FlagAndLabel: return "flag and label";
    case OperandForm::Pair: return "pair";
    case OperandForm::Comment: return "a comment";
    case OperandForm::MessageBlock: return "number";
    case OperandForm::MenuBlock: return "name";
    case OperandForm::ItemBlock: return "item definition lines";
    case OperandForm::PageBlock: return "none";
  }
  return "";
}

std::string LinesWord(LineEffect lines) {
  switch (lines) {
    case LineEffect::OneLine: return "one line";
    case LineEffect::Block: return "block";
    case LineEffect::Transfer: return "transfer";
    case LineEffect::Conditional: return "conditional";
  }
  return "";
}

TEST(LanguagePageTest, ItsCommandTableIsTheEngines) {
  const std::string page = LanguagePage();
  const auto begin = page.find("<!-- commands -->");
  const auto end = page.find("<!-- /commands -->");
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::regex row(R"(^\| `(@[A-Z]{3})` \| ([^|]*) \| ([^|]*) \| ([^|]+) \|$)");
  std::vector<std::string> lines = Lines(page.substr(begin, end - begin));
  std::size_t index = 0;
  for (const std::string& line : lines) {
    std::smatch match;
    if (!std::regex_match(line, match, row)) continue;
    ASSERT_LT(index, kCommandTable.size()) << line;
    const CommandRow& command = kCommandTable[index++];
    EXPECT_EQ(match[1].str(), command.Opcode);
    // The operand column starts with the form's word: "name: the caption".
    EXPECT_EQ(match[2].str().rfind(FormWord(command.Operands), 0), 0u) << line;
    EXPECT_EQ(match[3].str(), LinesWord(command.Lines)) << line;
    // The editor's hover says the same words.
    EXPECT_EQ(check::kCommandHelp[index - 1].Opcode, command.Opcode);
    EXPECT_EQ(match[2].str(), check::kCommandHelp[index - 1].Operands) << line;
    EXPECT_EQ(match[4].str(), check::kCommandHelp[index - 1].Does) << line;
  }
  EXPECT_EQ(index, kCommandTable.size()) << "the page lists fewer commands than the engine has";
}

class LanguageExamplesTest : public CheckFixture {};

TEST_F(LanguageExamplesTest, EveryExampleReportsWhatThePageSays) {
  const std::vector<std::string> lines = Lines(LanguagePage());
  int examples = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "```scenario") continue;
    std::vector<std::string> scenario;
    for (++i; i < lines.size() && lines[i] != "```"; ++i) scenario.push_back(lines[i]);
    while (i < lines.size() && lines[i] != "```findings") ++i;
    std::vector<std::string> expected;
    for (++i; i < lines.size() && lines[i] != "```"; ++i) expected.push_back("Sinario00.txt:" + lines[i]);
    ++examples;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    Scenario("Sinario00.txt", scenario);
    const std::vector<std::string> found = Codes(check::CheckGame(platform::GameFolder(dir_)));
    EXPECT_EQ(found, expected) << "example " << examples << ", starting " << scenario.front();
  }
  EXPECT_GE(examples, 5);
}

}  // namespace
}  // namespace torvane::test
