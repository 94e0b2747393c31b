#include "reading/seen_lines.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace torvane::reading {
namespace {

namespace fs = std::filesystem;

class SeenLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/seen-lines-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }

  fs::path dir_;
};

TEST_F(SeenLinesTest, PlacesDifferInFileLineAndText) {
  const TextPlace place = TextPlace::Of("Sinario00.txt", 12, "\n浜辺\n");
  EXPECT_EQ(place, TextPlace::Of("Sinario00.txt", 12, "\n浜辺\n"));
  EXPECT_NE(place, TextPlace::Of("Sinario01.txt", 12, "\n浜辺\n"));
  EXPECT_NE(place, TextPlace::Of("Sinario00.txt", 13, "\n浜辺\n"));
  // The same line showing another item's description is another text.
  EXPECT_NE(place, TextPlace::Of("Sinario00.txt", 12, "\n浜\n"));
}

TEST_F(SeenLinesTest, MarkTellsWhetherSeenBefore) {
  SeenLines seen;
  const TextPlace place = TextPlace::Of("a.txt", 1, "x");
  EXPECT_FALSE(seen.Mark(place));
  EXPECT_TRUE(seen.Mark(place));
  EXPECT_TRUE(seen.Contains(place));
  EXPECT_EQ(seen.Size(), 1u);
  // In memory only: saving writes nothing and succeeds.
  EXPECT_TRUE(seen.Save());
}

TEST_F(SeenLinesTest, SavedFileReadsBackWithOddFileNames) {
  const fs::path file = dir_ / "deep" / "folder" / "seen-lines";
  {
    SeenLines seen(file);
    EXPECT_TRUE(seen.Problem().empty());  // a missing file is no damage
    seen.Mark(TextPlace::Of("Sinario00.txt", 3, "one"));
    // Code page 932 bytes, a blank and a line feed in a name stay intact.
    seen.Mark(TextPlace::Of("\x95\x5C a\nb.txt", 70000, "two"));
    ASSERT_TRUE(seen.Save()) << seen.Problem();
    EXPECT_FALSE(seen.Dirty());
  }
  SeenLines again(file);
  EXPECT_TRUE(again.Problem().empty());
  EXPECT_EQ(again.Size(), 2u);
  EXPECT_TRUE(again.Contains(TextPlace::Of("\x95\x5C a\nb.txt", 70000, "two")));
  EXPECT_FALSE(again.Contains(TextPlace::Of("Sinario00.txt", 3, "two")));
  // Nothing but the file itself is left in its folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(SeenLinesTest, DamagedFilesAreIgnoredWithOneProblemAndReplacedOnSave) {
  SeenLines good(dir_ / "good");
  good.Mark(TextPlace::Of("a.txt", 1, "x"));
  ASSERT_TRUE(good.Save());
  const std::string text = Read(dir_ / "good");
  const std::string damaged[] = {
      "",                                       // no header
      "some other file\n",                      // another header
      text.substr(0, text.size() - 1),          // cut short
      text + "12 zz 612e747874\n",              // a hash that is no number
      text + "-1 0 612e747874\n",               // a negative line
      text + "1 0 612\n",                       // an odd hex name
      text + "1 0\n",                           // a field missing
      text + std::string("1 0 61\0" "62\n", 10),  // a NUL inside
  };
  for (const std::string& bytes : damaged) {
    Write(dir_ / "bad", bytes);
    SeenLines seen(dir_ / "bad");
    EXPECT_FALSE(seen.Problem().empty()) << bytes;
    EXPECT_EQ(seen.Size(), 0u) << bytes;
    seen.Mark(TextPlace::Of("b.txt", 2, "y"));
    ASSERT_TRUE(seen.Save());
    EXPECT_TRUE(seen.Problem().empty());
    SeenLines fixed(dir_ / "bad");
    EXPECT_TRUE(fixed.Problem().empty());
    EXPECT_EQ(fixed.Size(), 1u);
  }
  // A folder in its place cannot be read, and cannot be replaced either.
  fs::create_directory(dir_ / "folder");
  SeenLines folder(dir_ / "folder");
  EXPECT_FALSE(folder.Problem().empty());
  folder.Mark(TextPlace::Of("b.txt", 2, "y"));
  EXPECT_FALSE(folder.Save());
}

TEST_F(SeenLinesTest, KeptBesideTheSavePointsFallbackUnderXdgDataHome) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string kept = old ? old : "";
  setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  const fs::path file = SeenLines::FileForGame(dir_ / "mygame");
  if (old) setenv("XDG_DATA_HOME", kept.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(file.filename(), "seen-lines");
  EXPECT_EQ(file.parent_path().parent_path(), dir_ / "data" / "torvane");
  EXPECT_EQ(file.parent_path().filename().string().rfind("mygame-", 0), 0u);
}

}  // namespace
}  // namespace torvane::reading
