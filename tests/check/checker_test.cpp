#include "check/checker.hpp"

#include <gmock/gmock.h>

#include "check/check_fixture.hpp"
#include "check/report.hpp"

namespace torvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A bitmap of one white pixel: 24 bits, one row padded to four bytes.
std::string OnePixelBitmap() {
  auto u32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  auto u16 = [](std::uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  std::string bmp = "BM" + u32(58) + u32(0) + u32(54);
  bmp += u32(40) + u32(1) + u32(1) + u16(1) + u16(24) + u32(0) + u32(4) + u32(2835) + u32(2835) + u32(0) + u32(0);
  bmp += std::string("\xFF\xFF\xFF\x00", 4);
  return bmp;
}

class CheckerTest : public CheckFixture {
 protected:
  check::Findings Check() { return check::CheckGame(platform::GameFolder(dir_)); }
};

// Every construct of the language used as intended: not one finding.
TEST_F(CheckerTest, CleanGameHasNoFindings) {
  Raw("hama.bmp", OnePixelBitmap());
  Raw("umi.mid", "MThd");
  Raw("nami.wav", "RIFF");
  Scenario("Sinario00.txt", {"@REM 第一章", "@STR", "@STX", "霧の夜だった。", "@END", "@BGM umi.mid", "@STX",
                             "港町のはずれ。", "@END", "@SEM nami.wav", "@STX", "灯台がある。", "@END", "@STE",
                             "@BGS hama.bmp", "@GSB 支度", "@TAG 浜辺", "@CMD 浜辺", "調べる,調べる",
                             "持ち物を見る,持ち物", "先へ,先へ", "@END", "@JMP 浜辺", "@SUB 調べる",
                             "@FJP 01 もう調べた", "@FON 01", "@TXT 0", "鍵だ。", "@END", "@IGG 古い鍵", "@RTN",
                             "@TAG もう調べた", "@TXT 0", "何もない。", "@END", "@RTN", "@SUB 持ち物", "@IVW 0",
                             "@RTN", "@SUB 支度", "@ICL", "@IIZ", "古い鍵,None,None,錆びた鍵。", "@END", "@CLF",
                             "@ESB", "@SUB 先へ", "@ITM", "@ISS 0", "@ISJ 古い鍵,開く", "@RTN", "@SUB 開く",
                             "@IUU 古い鍵", "@FSB 01 何もしない", "@SAV Sinario01.txt", "@NXT Sinario01.txt",
                             "@SUB 何もしない", "@ESB"});
  Scenario("Sinario01.txt", {"@REM 第二章", "@TXT 2", "おわり。", "@END", "@LST", "@CMD おわり", "@END"});
  EXPECT_THAT(Codes(Check()), IsEmpty());
}

TEST_F(CheckerTest, LinesThatAreNoCommandsFreezeTheGame) {
  Scenario("Sinario00.txt", {"@REM", "@TXY 0", "@txt 0", " @TXT 0", "ただの文", "  ", "@END", "@LST", "@CMD x",
                             "@END"});
  const check::Findings found = Check();
  // Each stops the game, so only the first is reached; the rest are
  // checked all the same, as lines that never run.
  EXPECT_THAT(Codes(found), ElementsAre("Sinario00.txt:2 not-a-command", "Sinario00.txt:3 opcode-case",
                                        "Sinario00.txt:3 unreachable", "Sinario00.txt:4 leading-blank",
                                        "Sinario00.txt:5 not-a-command", "Sinario00.txt:6 not-a-command"));
  EXPECT_NE(found[1].Text.find("did you mean @TXT"), std::string::npos);
  EXPECT_EQ(found[0].Level, check::Severity::Error);
  EXPECT_EQ(found[2].Level, check::Severity::Warning);
}

TEST_F(CheckerTest, BlocksWithoutTheirEnd) {
  Scenario("Sinario00.txt", {"@TXT 0", "こんにちは", "@END ", "@CMD 選ぶ", "a,b", "@JMP x"});
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:1 unended-block", "Sinario00.txt:3 swallowed-command",
                                          "Sinario00.txt:4 swallowed-command", "Sinario00.txt:6 swallowed-command"));
}

TEST_F(CheckerTest, ANarrationDropsTheLineAfterAPage) {
  Scenario("Sinario00.txt", {"@STR", "@STX", "一枚目", "@END", "消える文", "二枚目", "@END", "@TXT 0", "@END",
                             "@STX", "@STE", "三枚目", "@END", "@STE", "@LST", "@CMD x", "@END"});
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:5 dropped-text", "Sinario00.txt:8 dropped-text",
                                          "Sinario00.txt:11 swallowed-command"));
}

TEST_F(CheckerTest, UndefinedTargetsAreLookedUpInTheirOwnFile) {
  Scenario("Sinario00.txt", {"@GSB 別の", "@FJP 01 無い", "@FSB 01 無い", "@ISJ 鍵, 開く", "@CMD c", "見る,見る",
                             "@END", "@JMP 無い", "@TAG 別の", "@SUB 開く", "@RTN", "@IIZ", "鍵,Get,None,x", "@END"});
  Scenario("Sinario01.txt", {"@REM", "@SUB 見る", "@RTN"});
  const check::Findings found = Check();
  EXPECT_THAT(Codes(found), ElementsAre("Sinario00.txt:1 undefined-label", "Sinario00.txt:2 undefined-label",
                                        "Sinario00.txt:3 undefined-label", "Sinario00.txt:4 undefined-label",
                                        "Sinario00.txt:6 undefined-label", "Sinario00.txt:8 undefined-label",
                                        "Sinario00.txt:9 unused-label", "Sinario00.txt:10 unused-label",
                                        "Sinario00.txt:11 unreachable", "Sinario01.txt:0 unreachable",
                                        "Sinario01.txt:2 unused-label"));
  EXPECT_NE(found[0].Text.find("'@TAG'"), std::string::npos) << found[0].Text;
  EXPECT_NE(found[3].Text.find("blank after the comma"), std::string::npos) << found[3].Text;
  EXPECT_EQ(found[4].Column, 6);  // the target after the comma
}

TEST_F(CheckerTest, LabelsTwiceUnusedAndUnreachableLines) {
  Scenario("Sinario00.txt", {"@JMP a", "@TXT 0", "とばされる", "@END", "@REM 説明", "@TAG a", "@TAG a", "@TAG b",
                             "@LST", "@CMD x", "@END"});
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:2 unreachable", "Sinario00.txt:7 duplicate-label",
                                          "Sinario00.txt:8 unused-label"));
}

TEST_F(CheckerTest, TableLimits) {
  std::vector<std::string> lines = {"@GSB s", "@LST", "@CMD x", "@END", "@SUB s", "@IIZ"};
  for (int i = 0; i < 101; ++i) lines.push_back("item" + std::to_string(i) + ",None,None,x");
  lines.push_back("@END");
  lines.push_back("@RTN");
  for (int i = 0; i < 601; ++i) lines.push_back("@TAG t" + std::to_string(i));
  Scenario("Sinario00.txt", lines);
  std::vector<std::string> codes = Codes(Check());
  std::erase(codes, std::string());
  std::erase_if(codes, [](const std::string& c) { return c.ends_with("unused-label"); });
  EXPECT_THAT(codes, ElementsAre("Sinario00.txt:107 limit", "Sinario00.txt:109 unreachable", "Sinario00.txt:710 limit"));
}

TEST_F(CheckerTest, OperandsThatDoNotConvertAndFlagsOutOfRange) {
  Scenario("Sinario00.txt", {"@FON 07", "@FON  7", "@TXT 3", "@END", "@FON -1", "@LST", "@CMD x", "@END", "@TAG z",
                             "@TXT 3 look", "@END", "@FON 7 "});
  const std::vector<std::string> codes = Codes(Check());
  EXPECT_THAT(codes, ElementsAre("Sinario00.txt:5 limit", "Sinario00.txt:9 unused-label",
                                 "Sinario00.txt:10 unreachable", "Sinario00.txt:10 operand",
                                 "Sinario00.txt:12 operand"));
}

TEST_F(CheckerTest, ItemNamesUsedButNeverDefined) {
  Scenario("Sinario00.txt", {"@IIZ", "鍵,None,None,x", "@END", "@IGG 鍵", "@IGG 剣", "@ISJ 盾,s", "@LST", "@CMD x",
                             "@END", "@SUB s", "@RTN"});
  const check::Findings found = Check();
  EXPECT_THAT(Codes(found), ElementsAre("Sinario00.txt:5 undefined-item", "Sinario00.txt:6 undefined-item"));
  EXPECT_EQ(found[0].Level, check::Severity::Error);
  EXPECT_EQ(found[1].Level, check::Severity::Warning);  // a test that never holds plays on
}

TEST_F(CheckerTest, NamedFilesResolvedAsTheGameFindsThem) {
  Raw("Hama.BMP", OnePixelBitmap());
  Raw("umi.ogg", "OggS");
  Raw("broken.bmp", "BM not really");
  Scenario("Sinario00.txt", {"@BGS hama.bmp", "@BGS sora.bmp", "@BGS sora.jpg", "@BGS broken.bmp", "@BGM umi.mid",
                             "@SEM nami.wav", "@SAV Sinario09.txt", "@NXT Sinario01.txt"});
  const check::Findings found = Check();
  EXPECT_THAT(Codes(found), ElementsAre("Sinario00.txt:1 file-case", "Sinario00.txt:2 missing-file",
                                        "Sinario00.txt:3 file-extension", "Sinario00.txt:4 bad-picture",
                                        "Sinario00.txt:5 missing-file", "Sinario00.txt:6 missing-file",
                                        "Sinario00.txt:7 missing-file", "Sinario00.txt:8 missing-file"));
  EXPECT_NE(found[4].Text.find("'umi.ogg' is"), std::string::npos) << found[4].Text;
  EXPECT_EQ(found[5].Level, check::Severity::Warning);  // a missing effect is silent
  EXPECT_EQ(found[4].Level, check::Severity::Error);
}

TEST_F(CheckerTest, EncodingOfTheFile) {
  Raw("Sinario00.txt", "\xEF\xBB\xBF@LST\r\n@CMD x\r\n@END\r\n");
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:1 not-a-command", "Sinario00.txt:1 encoding", "Sinario00.txt:2 unreachable"));
  Raw("Sinario00.txt", "@TXT 0\r\n\xE3\x81\x93\xE3\x82\x93\r\n@END\r\n@LST\r\n@CMD x\r\n@END\r\n");
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:2 encoding"));
  Raw("Sinario00.txt", "@TXT 0\r\nab\xFD\r\n@END\r\n@LST\r\n@CMD x\r\n@END\r\n");
  const check::Findings found = Check();
  ASSERT_THAT(Codes(found), ElementsAre("Sinario00.txt:2 encoding"));
  EXPECT_EQ(found[0].Column, 3);
  EXPECT_EQ(found[0].Level, check::Severity::Warning);
}

TEST_F(CheckerTest, TextThatDoesNotFitItsBox) {
  std::vector<std::string> lines = {"@TXT 0"};
  for (int i = 0; i < 5; ++i) lines.push_back("五行までは収まる");
  lines.push_back("@END");
  lines.push_back("@TXT 0");
  for (int i = 0; i < 9; ++i) lines.push_back("九行は切れる");
  lines.push_back("@END");
  lines.push_back("@TXT 0");
  lines.push_back(std::string(30, 'x') + " " + std::string(30, 'y'));  // wraps to two rows, fits
  lines.push_back(std::string(60, 'z'));                                 // one word wider than the box
  lines.push_back("@END");
  lines.push_back("@CMD とても長い見出しの文字列です");
  lines.push_back("とても長いとても長い項目の文字列,s");
  lines.push_back("@END");
  lines.push_back("@SUB s");
  lines.push_back("@RTN");
  Scenario("Sinario00.txt", lines);
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:8 text-fit", "Sinario00.txt:19 text-fit",
                                          "Sinario00.txt:23 text-fit", "Sinario00.txt:24 text-fit"));
}

TEST_F(CheckerTest, RunningOffTheEndOfAFile) {
  Scenario("Sinario00.txt", {"@TXT 0", "さようなら", "@END"});
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:3 end-of-file"));
}

TEST_F(CheckerTest, AGameWithoutItsFirstFile) {
  EXPECT_THAT(Codes(Check()), ElementsAre("Sinario00.txt:0 missing-file"));
}

TEST_F(CheckerTest, OutputAsCompilersWriteItAndAsJson) {
  Scenario("Sinario00.txt", {"@TXY 0"});
  const check::Findings found = Check();
  const std::string text = check::FormatText(found);
  EXPECT_EQ(text, (dir_ / "Sinario00.txt").string() +
                      ":1:1: error: '@TXY' is no command: the game stops on this line [not-a-command]\n");
  const std::string json = check::FormatJson(found);
  EXPECT_NE(json.find("\"severity\": \"error\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"check\": \"not-a-command\""), std::string::npos) << json;
  EXPECT_EQ(check::ExitStatusFor(found), 1);

  check::CheckSelection selection;
  selection.Switch("all", false);
  selection.Switch("not-a-command", true);
  EXPECT_EQ(check::Selected(found, selection).size(), 1u);
  selection.Switch("not-a-command", false);
  EXPECT_THAT(check::Selected(found, selection), IsEmpty());
  EXPECT_EQ(check::ExitStatusFor({}), 0);
}

}  // namespace
}  // namespace torvane::test
