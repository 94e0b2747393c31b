#include <gtest/gtest.h>

#include "engine/scenario_text.hpp"
#include "platform/script_error.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

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

}  // namespace
}  // namespace torvane
