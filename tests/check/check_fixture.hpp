#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "check/finding.hpp"
#include "platform/cp932.hpp"

namespace torvane::test {

// A game folder of the test's own, its scenarios written in UTF-8 here and
// stored as the game stores them: code page 932 with CR LF.
class CheckFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = std::filesystem::temp_directory_path() / ("torvane-check-" + std::to_string(::getpid()) + "-" + test);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Scenario(const std::string& name, const std::vector<std::string>& utf8_lines) {
    std::string bytes;
    for (const std::string& line : utf8_lines) bytes += Sjis(line) + "\r\n";
    Raw(name, bytes);
  }
  void Raw(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }

  // "FILE:LINE check" for each finding, FILE without its folder.
  static std::vector<std::string> Codes(const check::Findings& findings) {
    std::vector<std::string> codes;
    for (const check::Finding& f : findings) {
      codes.push_back(std::filesystem::path(f.File).filename().string() + ":" + std::to_string(f.Line) + " " +
                      f.Check);
    }
    return codes;
  }

  std::filesystem::path dir_;
};

}  // namespace torvane::test
