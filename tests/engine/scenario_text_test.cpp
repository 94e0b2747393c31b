#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "engine/label_index.hpp"
#include "engine/scenario_loading.hpp"
#include "platform/cp932.hpp"
#include "platform/game_folder.hpp"
#include "platform/script_error.hpp"

namespace torvane {
namespace {

using namespace std::string_literals;

std::vector<std::string> Split(std::string bytes) {
  auto text = ScenarioText::FromFileBytes(std::move(bytes));
  std::vector<std::string> lines;
  for (std::int64_t i = 0; i < text.Count(); ++i) lines.emplace_back(text[i]);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(ScenarioText, SplitsAtCrLfAndCrLfPairs) {
  EXPECT_EQ(Split("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(Split("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(Split("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(Split("a\n\rb"), (Lines{"a", "", "b"}));  // LF CR is two breaks
  EXPECT_EQ(Split("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split("\n"), (Lines{""}));
  EXPECT_EQ(Split("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(Split(""), Lines{});
  EXPECT_EQ(Split("a\r"), (Lines{"a"}));
}

TEST(ScenarioText, NulEndsTheText) {
  EXPECT_EQ(Split(std::string("a\r\nb\0c\r\nd", 9)), (Lines{"a", "b"}));
  EXPECT_EQ(Split(std::string("\0abc", 4)), Lines{});
}

TEST(ScenarioText, KeepsBytesUnconverted) {
  const std::string sjis = "\x83\x5C\x95\x5C\x82\xA0";
  EXPECT_EQ(Split("@TXT 1\r\n" + sjis + "\r\n"), (Lines{"@TXT 1", sjis}));
}

TEST(ScenarioText, LineOutsideTheFileRaisesTheListIndexError) {
  auto text = ScenarioText::FromFileBytes("only\n");
  EXPECT_EQ(text.At(0), "only");
  for (std::int64_t bad : {std::int64_t{1}, std::int64_t{-1}}) {
    try {
      text.At(bad);
      ADD_FAILURE();
    } catch (const ScriptError& error) {
      EXPECT_EQ(platform::Cp932ToUtf8(error.Text()),
                "リストのインデックスが範囲を超えています (" + std::to_string(bad) + ")");
    }
  }
}

// The rules at their plainest, byte by byte, to hold the scan against.
struct Reference {
  Lines lines;
  LabelLines labels;
};

Reference SplitPlainly(const std::string& bytes) {
  Reference out;
  const std::string text = bytes.substr(0, bytes.find('\0'));
  std::string line;
  std::size_t i = 0;
  const auto end_line = [&] {
    const std::string opcode = line.substr(0, 4);
    const auto number = static_cast<std::int32_t>(out.lines.size());
    if (opcode == "@TAG") out.labels.tags.push_back(number);
    if (opcode == "@SUB") out.labels.subs.push_back(number);
    out.lines.push_back(line);
    line.clear();
  };
  while (i < text.size()) {
    const char c = text[i++];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      end_line();
    } else {
      line += c;
    }
  }
  if (!line.empty()) end_line();
  return out;
}

// Each scan this processor has, the portable one always.
std::vector<ByteScan> Scans() {
  std::vector<ByteScan> scans{ByteScan::Portable};
  if (CanScanWith(ByteScan::Avx2)) scans.push_back(ByteScan::Avx2);
  return scans;
}

void ExpectSplitAsThePlainRules(const std::string& bytes) {
  const Reference expected = SplitPlainly(bytes);
  for (const ByteScan scan : Scans()) {
    SCOPED_TRACE(scan == ByteScan::Avx2 ? "AVX2 scan" : "portable scan");
    LabelLines labels;
    const ScenarioText text = ScenarioText::FromFileBytes(platform::FileBuffer(bytes), &labels, scan);
    ASSERT_EQ(text.Count(), static_cast<std::int64_t>(expected.lines.size()));
    for (std::int64_t i = 0; i < text.Count(); ++i) {
      ASSERT_EQ(text[i], expected.lines[static_cast<std::size_t>(i)]) << "line " << i;
    }
    EXPECT_EQ(labels.tags, expected.labels.tags);
    EXPECT_EQ(labels.subs, expected.labels.subs);
    // Splitting finds what a pass over the finished lines finds.
    const LabelLines again = FindLabelLines(text);
    EXPECT_EQ(again.tags, labels.tags);
    EXPECT_EQ(again.subs, labels.subs);
  }
}

// The scan takes 64 bytes at a time: breaks, CR LF pairs, NULs and labels
// on either side of a block's edge, and a text's last bytes short of one.
TEST(ScenarioText, BreaksNulsAndLabelsAtEveryPlaceOfABlock) {
  for (std::size_t at = 56; at <= 136; ++at) {
    const std::string before(at, 'a');
    for (const std::string& tail :
         {"\r\nb"s, "\r\n"s, "\rb"s, "\n\rb"s, "\r\r\n"s, "\0\r\nz"s, "\r\0\n"s, "\n@TAG x\n@SUB y"s,
          "\n@TA\0G"s, "\n@TAG\0"s, "\n\0@TAG x"s, "\r"s}) {
      SCOPED_TRACE(testing::Message() << "break at " << at << ", tail " << testing::PrintToString(tail));
      ExpectSplitAsThePlainRules(before + tail);
      ExpectSplitAsThePlainRules("@TAG " + before + tail + "\n@SUB s");
    }
  }
}

// Random texts from the bytes that matter, of every length around a block.
TEST(ScenarioText, RandomTextsSplitAsThePlainRules) {
  std::mt19937 rng(20240611);
  const char* const pieces[] = {"\r", "\n", "\r\n", "a", "\x83\x5C", "@TAG t", "@SUB s", "@TA", "\0", "  "};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const std::size_t target = rng() % 300;
    while (bytes.size() < target) {
      const std::size_t piece = rng() % std::size(pieces);
      // A NUL now and then, not in every text.
      if (piece == 8 && rng() % 4 != 0) continue;
      bytes += piece == 8 ? std::string(1, '\0') : std::string(pieces[piece]);
    }
    ExpectSplitAsThePlainRules(bytes);
    if (testing::Test::HasFailure()) {
      ADD_FAILURE() << "text " << testing::PrintToString(bytes);
      return;
    }
  }
}

// Lines long enough that 64 of them span more than 16-bit offsets reach,
// beside short ones, in one group and across groups.
TEST(ScenarioText, LongLinesKeepTheirStarts) {
  std::string bytes;
  for (int i = 0; i < 200; ++i) {
    const std::size_t length = i % 7 == 3 ? 70000 + i : static_cast<std::size_t>(i % 5);
    bytes += std::string(length, static_cast<char>('a' + i % 26)) + (i % 2 ? "\r\n" : "\n");
  }
  bytes += std::string(1 << 17, 'z');
  ExpectSplitAsThePlainRules(bytes);
  ExpectSplitAsThePlainRules(std::string(100000, 'q') + "\n@TAG late\n");
}

// Thousands of lines, so the starts reach the table in several batches:
// runs of short lines, many to a block, beside runs of lines long enough
// that their groups need 32-bit starts, and labels and a NUL among them.
TEST(ScenarioText, ManyLinesAcrossBatchesKeepTheirStarts) {
  std::mt19937 rng(7);
  std::string bytes;
  for (int i = 0; i < 12000; ++i) {
    const bool long_run = (i / 300) % 2 == 1;
    const std::size_t length = long_run ? 1100 + rng() % 50 : rng() % 4;
    if (i % 97 == 0) bytes += i % 2 ? "@TAG t" : "@SUB s";
    bytes += std::string(length, 'a');
    bytes += rng() % 3 == 0 ? "\r\n" : rng() % 2 ? "\n" : "\r";
  }
  ExpectSplitAsThePlainRules(bytes);
  ExpectSplitAsThePlainRules(std::string(5000, '\n') + "@TAG t\n" + std::string(5000, '\n'));
  bytes[bytes.size() / 2] = '\0';
  ExpectSplitAsThePlainRules(bytes);
}

// The lines look into the text's own buffer; moving the text, short or
// long, must keep them.
TEST(ScenarioText, LinesSurviveMovingTheText) {
  for (const std::string& bytes : {"ab\ncd"s, std::string(5000, 'x') + "\r\nend"}) {
    ScenarioText text = ScenarioText::FromFileBytes(bytes);
    std::optional<ScenarioText> moved;
    moved.emplace(std::move(text));
    ScenarioText last;
    last = std::move(*moved);
    ASSERT_EQ(last.Count(), 2);
    EXPECT_EQ(last[1], bytes.substr(bytes.rfind('\n') + 1));
  }
  EXPECT_EQ(ScenarioText().Count(), 0);
}

// A large file read from disk loads as its bytes split plainly would.
TEST(ScenarioText, ALargeFileLoadsItsLinesAndLabels) {
  const auto dir = std::filesystem::temp_directory_path() / ("torvane-st-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string bytes = "@TAG first\r\n";
  while (bytes.size() < (std::size_t{5} << 20)) bytes += "@REM filler line\r\n@TXT 1\r\nx\r\n@END\r\n";
  bytes += "@SUB last\r\n@RTN";
  std::ofstream(dir / "Big.txt", std::ios::binary) << bytes;

  EngineState engine;
  const platform::GameFolder folder(dir);
  auto file = folder.ReadFileBuffer("big.txt");
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(file);
  LoadScenarioBytes(engine, "big.txt", std::move(*file));
  const Reference expected = SplitPlainly(bytes);
  ASSERT_EQ(engine.ScenarioLines->Count(), static_cast<std::int64_t>(expected.lines.size()));
  EXPECT_EQ(engine.ScenarioLines->At(engine.ScenarioLines->Count() - 1), "@RTN");
  EXPECT_EQ(engine.TagTable.Find("first"), 0);
  EXPECT_EQ(engine.SubTable.Find("last"), expected.labels.subs.back());
}

}  // namespace
}  // namespace torvane
