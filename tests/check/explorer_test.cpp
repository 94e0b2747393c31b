#include "check/explorer.hpp"

#include <gmock/gmock.h>

#include "check/check_fixture.hpp"

namespace torvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ExplorerTest : public CheckFixture {
 protected:
  check::ExploreReport Explore(check::ExploreOptions options = {}) { return check::Explore(dir_, options); }
};

// The ending after a save point needs an item that only the first file
// gives: Start can finish, Continue cannot.
TEST_F(ExplorerTest, ASavePointThatCannotBeFinished) {
  Scenario("Sinario00.txt", {"@STE", "@IIZ", "鍵,None,None,古い鍵", "@END", "@IGG 鍵", "@TXT 0", "扉の前。", "@END",
                             "@SAV Sinario01.txt", "@NXT Sinario01.txt"});
  Scenario("Sinario01.txt", {"@REM", "@ITM", "@ISJ 鍵,開く", "@TXT 0", "開かない。", "@END", "@JMP 戻る",
                             "@SUB 開く", "@LST", "@CMD おわり", "@END", "@TAG 戻る", "@CMD 扉", "もう一度,もう一度",
                             "@END", "@JMP 戻る", "@SUB もう一度", "@ESB"});
  const check::ExploreReport report = Explore();
  EXPECT_TRUE(report.Complete);
  EXPECT_THAT(Codes(report.Found), ElementsAre("Sinario00.txt:9 no-ending", "Sinario01.txt:13 menu-loop"));
  ASSERT_EQ(report.Starts.size(), 2u);
  EXPECT_TRUE(report.Starts[0].ReachesEnding);
  EXPECT_FALSE(report.Starts[1].ReachesEnding);
  EXPECT_EQ(report.Starts[1].Next, "Sinario01.txt");
  ASSERT_EQ(report.Endings.size(), 1u);
  EXPECT_EQ(report.Endings[0].Line, 9);
  EXPECT_THAT(report.Endings[0].Inputs, ElementsAre("start", "click", "# 鍵", "pick 0", "ok"));
}

// Both choices come back to the menu itself: no ending from Start.
TEST_F(ExplorerTest, AMenuLoop) {
  Scenario("Sinario00.txt", {"@STE", "@TAG 部屋", "@CMD 部屋", "見る,見る", "待つ,待つ", "@END", "@JMP 部屋", "@SUB 見る",
                             "@TXT 0", "何もない。", "@END", "@RTN", "@SUB 待つ", "@RTN"});
  const check::ExploreReport report = Explore();
  EXPECT_THAT(Codes(report.Found), ElementsAre("Sinario00.txt:1 no-ending", "Sinario00.txt:3 menu-loop"));
  EXPECT_THAT(report.Endings, IsEmpty());
  EXPECT_EQ(report.Covered.EntriesChosen, 2u);
  EXPECT_EQ(report.Covered.Entries, 2u);
}

// A label that no path leads to, and dead ends on the way.
TEST_F(ExplorerTest, UnreachableLabelsStuckLinesAndErrors) {
  Scenario("Sinario00.txt", {"@CMD 道", "右,右", "左,左", "上,上", "@END", "@SUB 右", "@LST", "@CMD 終", "@END",
                             "@SUB 左", "@TXY", "@SUB 上", "@JMP 無い", "@TAG 秘密", "@TXT 0", "誰も来ない。", "@END",
                             "@RTN"});
  const check::ExploreReport report = Explore();
  EXPECT_THAT(Codes(report.Found),
              ElementsAre("Sinario00.txt:11 dead-end", "Sinario00.txt:13 dead-end", "Sinario00.txt:14 never-reached"));
  EXPECT_NE(report.Found[1].Text.find("stops with an error"), std::string::npos) << report.Found[1].Text;
  EXPECT_EQ(report.Covered.Labels, 4u);
  EXPECT_EQ(report.Covered.LabelsReached, 3u);
  EXPECT_TRUE(report.Starts[0].ReachesEnding);
}

// The ending needs the right item: every entry of the dialog is tried,
// and the walkthrough picks the one that opens the door.
TEST_F(ExplorerTest, ABranchNeedingAnItem) {
  Scenario("Sinario00.txt", {"@IIZ", "石,Get,None,ただの石", "鍵,Get,None,扉の鍵", "@END", "@TAG 扉", "@CMD 扉",
                             "使う,使う", "@END", "@JMP 扉", "@SUB 使う", "@ITM", "@ISJ 鍵,開く", "@RTN", "@SUB 開く",
                             "@STR", "@STX", "扉が開いた。", "@END", "@LST", "@CMD おわり", "@END"});
  const check::ExploreReport report = Explore();
  EXPECT_THAT(Codes(report.Found), IsEmpty());
  ASSERT_EQ(report.Endings.size(), 1u);
  EXPECT_THAT(report.Endings[0].Inputs, ElementsAre("start", "# 使う", "choose 0", "# 鍵", "pick 1", "ok"));
  // The first menu, the dialog, the menu after each of the dialog's other
  // choices and the empty menu after the ending; the dialog met again is
  // the same state, folded.
  EXPECT_TRUE(report.Complete);
  EXPECT_EQ(report.States, 5u);
}

// Until "@STE" the narration screen covers the window, and no press
// reaches the message.
TEST_F(ExplorerTest, AMessageUnderTheNarrationScreen) {
  Scenario("Sinario00.txt", {"@REM", "@TXT 0", "見えない", "@END", "@STE", "@LST", "@CMD 終", "@END"});
  const check::ExploreReport report = Explore();
  EXPECT_THAT(Codes(report.Found), ElementsAre("Sinario00.txt:1 no-ending", "Sinario00.txt:2 dead-end",
                                               "Sinario00.txt:5 never-reached"));
}

TEST_F(ExplorerTest, ABoundStopsTheSearchAndSaysSo) {
  Scenario("Sinario00.txt", {"@TAG 数", "@CMD 数", "一,一", "二,二", "@END", "@JMP 数", "@SUB 一", "@FON 01", "@RTN", "@SUB 二",
                             "@FON 02", "@RTN"});
  check::ExploreOptions options;
  options.MaxStates = 2;
  const check::ExploreReport report = Explore(options);
  EXPECT_FALSE(report.Complete);
  // Cut short, nothing is concluded about endings or lines never reached.
  EXPECT_THAT(Codes(report.Found), IsEmpty());
  EXPECT_NE(check::FormatCoverage(report).find("cut short"), std::string::npos);
}

TEST_F(ExplorerTest, WalkthroughsInTheRunnersInputFormat) {
  Scenario("Sinario00.txt", {"@STE", "@TXT 0", "はじめ", "@END", "@SAV Sinario01.txt", "@LST", "@CMD 終", "@END"});
  Scenario("Sinario01.txt", {"@REM", "@LST", "@CMD 終", "@END"});
  const check::ExploreReport report = Explore();
  EXPECT_THAT(Codes(report.Found), IsEmpty());
  const auto files = check::WriteWalkthroughs(report, dir_ / "walk");
  ASSERT_EQ(files.size(), 2u);
  std::ifstream second(files[1]);
  const std::string text((std::istreambuf_iterator<char>(second)), {});
  EXPECT_NE(text.find("#   Next=Sinario01.txt\ncontinue\nok\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace torvane::test
