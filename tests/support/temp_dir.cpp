#include "support/temp_dir.h"

#include <fstream>
#include <random>

void TempDirTest::SetUp() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  std::random_device random;
  folder_ = std::filesystem::temp_directory_path() /
            ("morvask-" + name + "-" + std::to_string(random() % 1000000));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
}

void TempDirTest::TearDown() {
  if (HasFailure()) {
    std::cerr << "kept the test folder " << folder_.string() << "\n";
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string TempDirTest::WriteFile(const std::string& name, const std::string& contents) {
  const std::string path = PathOf(name);
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::string TempDirTest::PathOf(const std::string& name) const { return (folder_ / name).string(); }
