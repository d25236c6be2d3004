// Test support: a fresh folder for each test case that touches the disk.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// Gives each case its own empty folder, removed when the case passes and
// kept, with its path printed, when it fails.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes `contents` to a file of the folder and returns the file's path.
  std::string WriteFile(const std::string& name, const std::string& contents);
  // The path of an entry of the folder (which need not exist).
  std::string PathOf(const std::string& name) const;

  std::filesystem::path folder_;
};
