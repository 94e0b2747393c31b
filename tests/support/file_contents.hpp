#pragma once

// Whole files and folder listings, as the tests of file handling compare
// them.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace torvane::test {

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::set<std::string> Names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

}  // namespace torvane::test
