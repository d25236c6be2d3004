// Test support for the folder filter's copy: a case's own folder, with its
// device folder "dev" in it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "folder_filter/file_copy.h"
#include "folder_filter/file_system.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

class FileCopyTest : public TempDirTest {
 protected:
  // The device folder of the case: "dev", with the names below it.
  FilePlace Device(std::initializer_list<std::string> names, bool makeFolders = false) {
    FilePlace place;
    place.root = WideFromSystemText(PathOf("dev"));
    for (const std::string& name : names) place.names.push_back(WideFromSystemText(name));
    place.device = true;
    place.makeFolders = makeFolders;
    return place;
  }

  std::string Read(const std::string& name) {
    std::ifstream file(PathOf(name), std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
  }

  // The names a folder of the case holds, in order.
  std::vector<std::string> Entries(const std::string& name) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(PathOf(name))) {
      entries.push_back(entry.path().filename().string());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }
};

using Names = std::vector<std::string>;
