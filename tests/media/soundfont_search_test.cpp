#include "media/soundfont_search.hpp"

#include <gtest/gtest.h>

#include <set>

namespace torvane {
namespace {

using Paths = std::vector<std::filesystem::path>;

// A file system holding exactly `files`.
auto Holding(std::set<std::string> files) {
  return [files = std::move(files)](const std::filesystem::path& path) { return files.count(path.string()) > 0; };
}

TEST(SoundfontCandidates, TheChosenFileThenTheEnvironmentThenTheSystemsInOrder) {
  const auto fs = Holding({"/home/p/piano.sf2", "/opt/a.sf2", "/opt/b.sf3", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                           "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/default.sf2"});
  EXPECT_EQ(SoundfontCandidates("/home/p/piano.sf2", "/opt/a.sf2:/opt/missing.sf2;/opt/b.sf3", "/", fs),
            (Paths{"/home/p/piano.sf2", "/opt/a.sf2", "/opt/b.sf3", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                   "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/default.sf2"}));
}

TEST(SoundfontCandidates, UnreadableEmptyAndRepeatedEntriesAreLeftOut) {
  const auto fs = Holding({"/opt/a.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"});
  // The chosen file is missing; the list has empty entries and names a file twice.
  EXPECT_EQ(SoundfontCandidates("/gone/piano.sf2", "::/opt/a.sf2;;/usr/share/sounds/sf2/TimGM6mb.sf2:/opt/a.sf2:", "/", fs),
            (Paths{"/opt/a.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"}));
}

TEST(SoundfontCandidates, FedoraAndArchPlacesAreFoundBelowTheRoot) {
  EXPECT_EQ(SoundfontCandidates("", "", "/fake", Holding({"/fake/usr/share/soundfonts/FluidR3_GM.sf2"})),
            (Paths{"/fake/usr/share/soundfonts/FluidR3_GM.sf2"}));
  EXPECT_EQ(SoundfontCandidates("", "", "/fake", Holding({"/fake/usr/share/sounds/sf3/default-GM.sf3"})),
            (Paths{"/fake/usr/share/sounds/sf3/default-GM.sf3"}));
  // The real system's files are not below the fake root.
  EXPECT_TRUE(SoundfontCandidates("", "", "/fake", Holding({"/usr/share/sounds/sf2/TimGM6mb.sf2"})).empty());
}

TEST(SoundfontCandidates, NothingReadableMeansNone) {
  EXPECT_TRUE(SoundfontCandidates("/a.sf2", "/b.sf2", "/", Holding({})).empty());
  EXPECT_FALSE(IsReadableFile("/"));
  EXPECT_FALSE(IsReadableFile("/no/such/file.sf2"));
  EXPECT_TRUE(IsReadableFile("/proc/self/status"));
}

}  // namespace
}  // namespace torvane
