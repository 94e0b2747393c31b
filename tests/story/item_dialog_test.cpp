#include <gtest/gtest.h>

#include "platform/cp932.hpp"
#include "story/item_dialog.hpp"

namespace torvane {
namespace {

TEST(ItemDialog, ListsHeldItemsUpToTheFirstEmptyName) {
  StoryState story;
  story.ItemTable[0] = {"A", "Get", "None", "a"};
  story.ItemTable[1] = {"B", "get", "None", "b"};  // only "Get" is held
  story.ItemTable[2] = {"C", "Get", "Used", "c"};
  story.ItemTable[4] = {"E", "Get", "None", "after the gap"};
  EXPECT_EQ(HeldItemNames(story), (std::vector<Bytes>{"A", "C"}));
}

TEST(ItemDialog, PickCopiesTheFirstRecordOfThatNameAndCloses) {
  StoryState story;
  story.ItemTable[0] = {"Key", "Get", "Used", "first"};
  story.ItemTable[1] = {"Key", "Get", "None", "second"};
  TForm2 dialog(story, 243, 215);
  EXPECT_EQ(dialog.Left, 263);
  EXPECT_EQ(dialog.Top, 235);
  dialog.ListBox21Items = {"Key"};
  dialog.SelectEntry(5);  // no such entry: nothing happens
  EXPECT_FALSE(dialog.Closed());
  dialog.SelectEntry(0);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(story.SelectedItem.Description, "first");
  EXPECT_EQ(story.SelectedItem.Usage, "Used");
  story.ItemTable[0].Holding = "None";  // a copy, not a reference
  EXPECT_EQ(story.SelectedItem.Holding, "Get");
}

TEST(ItemDialog, PlaceholderSelectsItsOwnRecord) {
  StoryState story;
  TForm2 dialog(story, 0, 0);
  dialog.ListBox21Items = {NothingHeldEntry()};
  dialog.SelectEntry(0);
  EXPECT_EQ(platform::Cp932ToUtf8(story.SelectedItem.Name), "何も持っていません");
  EXPECT_EQ(story.SelectedItem.Holding, "None");
  EXPECT_EQ(story.SelectedItem.Usage, "None");
  EXPECT_EQ(story.SelectedItem.Description, "");
}

}  // namespace
}  // namespace torvane
