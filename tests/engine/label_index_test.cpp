#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/label_index.hpp"

namespace torvane {
namespace {

struct Tables {
  LabelTable tags{kTagCapacity};
  LabelTable subs{kSubCapacity};
  void Index(const std::string& bytes) { IndexLabels(ScenarioText::FromFileBytes(bytes), tags, subs); }
};

TEST(LabelIndex, FirstOccurrenceWinsAndNamesAreTrimmed) {
  Tables t;
  t.Index("@TAG  start \n@REM\n@TAG start\n@SUB start\n");
  EXPECT_EQ(t.tags.Find("start"), 0);
  EXPECT_EQ(t.subs.Find("start"), 3);  // tags and subs are separate
  EXPECT_EQ(t.tags.Filled(), 2u);
  EXPECT_EQ(t.tags.Entry(1).Line, 2);
}

TEST(LabelIndex, LabelsInsideBlocksAreIndexed) {
  Tables t;
  t.Index("@TXT 1\n@TAG hidden\n@END\n@CMD c\nx,y\n@SUB insub\n@END\n");
  EXPECT_EQ(t.tags.Find("hidden"), 1);
  EXPECT_EQ(t.subs.Find("insub"), 5);
}

TEST(LabelIndex, ExactByteComparison) {
  Tables t;
  t.Index("@TAG Start\n@TAG \x82\xA0\n");
  EXPECT_FALSE(t.tags.Find("start"));
  EXPECT_EQ(t.tags.Find("\x82\xA0"), 1);
  EXPECT_FALSE(t.tags.Find(""));
}

TEST(LabelIndex, EntriesOfAnEarlierFileAreKeptButNeverFound) {
  Tables t;
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "@TAG old" + std::to_string(i) + "\n";
  t.Index(ten);
  t.Index("@REM\n@TAG old5\n@TAG new\n@TAG old0\n");
  EXPECT_EQ(t.tags.Find("old5"), 1);
  EXPECT_EQ(t.tags.Find("new"), 2);
  EXPECT_EQ(t.tags.Find("old0"), 3);
  // Entry 5 still holds the old file's label, but it is not the new file's.
  EXPECT_EQ(t.tags.Entry(5).Name, "old5");
  EXPECT_FALSE(t.tags.Find("old7"));
  // Never filled by any file: empty, up to the capacity and not past it.
  EXPECT_EQ(t.tags.Entry(10).Name, "");
  EXPECT_EQ(t.tags.Entry(kTagCapacity - 1).Line, 0);
  EXPECT_THROW((void)t.tags.Entry(kTagCapacity), std::out_of_range);
  EXPECT_EQ(t.tags.Capacity(), kTagCapacity);
}

TEST(LabelIndex, CountsLabelsWhereverTheyStand) {
  std::string bytes;
  for (int i = 0; i < 601; ++i) bytes += "@TAG t" + std::to_string(i) + "\r\n";
  bytes += "@SUB s\r\n@SUBx\r\n@TA\r\n";
  auto counts = CountLabels(ScenarioText::FromFileBytes(bytes));
  EXPECT_EQ(counts.tags, 601u);
  EXPECT_EQ(counts.subs, 2u);
}

}  // namespace
}  // namespace torvane
