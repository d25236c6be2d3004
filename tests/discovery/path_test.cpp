#include "discovery/path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace {

struct ExtensionCase {
  const char* path;
  const char* extension;
};

const ExtensionCase kExtensionCases[] = {
    {"D:\\db\\orders.mdb", ".mdb"},
    {"orders.mdb", ".mdb"},
    {"D:orders.mdb", ".mdb"},
    {"D:/db/orders.MDB", ".MDB"},
    {"D:\\db.old\\orders", ""},
    {"D:\\db.old/orders", ""},
    {"D:\\db\\archive.tar.mdb", ".mdb"},
    {"D:\\db\\orders.", "."},
    {".mdb", ".mdb"},
    {"D:\\db\\", ""},
    {"", ""},
    {"D:.mdb", ".mdb"},
    {"\"C:\\db\\orders.mdb\"", ".mdb\""},
    {"\\\\server\\share\\orders.cdb", ".cdb"},
};

class GetPathExtensionCases : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(GetPathExtensionCases, TakesTheLastDotOfTheName) {
  EXPECT_EQ(GetPathExtension(GetParam().path), GetParam().extension) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(GetPathExtension, GetPathExtensionCases,
                         ::testing::ValuesIn(kExtensionCases));

TEST(SplitPath, SeparatesDriveDirectoryAndExtension) {
  std::string drive, directory, extension;
  SplitPath("C:\\data/old\\orders.mdb", drive, directory, extension);
  EXPECT_EQ(drive, "C:");
  EXPECT_EQ(directory, "\\data/old\\");
  EXPECT_EQ(extension, ".mdb");

  // Any first byte makes a drive when the second is ":".
  SplitPath("\":\\x", drive, directory, extension);
  EXPECT_EQ(drive, "\":");
  EXPECT_EQ(directory, "\\");

  // A quoted path has no drive: its second byte is the letter.
  SplitPath("\"C:\\x.mdb\"", drive, directory, extension);
  EXPECT_EQ(drive, "");
  EXPECT_EQ(directory, "\"C:\\");
}

TEST(SplitPath, CutsLongPartsTo255Bytes) {
  std::string drive, directory, extension;
  const std::string longDirectory = std::string(300, 'd') + "\\";
  const std::string longExtension = "." + std::string(300, 'e');
  SplitPath("C:" + longDirectory + "name" + longExtension, drive, directory, extension);
  EXPECT_EQ(directory, longDirectory.substr(0, 255));
  EXPECT_EQ(extension, longExtension.substr(0, 255));

  SplitPath("n." + std::string(254, 'e'), drive, directory, extension);
  EXPECT_EQ(extension.size(), 255u);
}

class FileExistsTest : public TempDirTest {};

TEST_F(FileExistsTest, FindsFilesDirectoriesAndPatterns) {
  WriteFile("Orders.mdb", "data");
  WriteFile("a[1].mdb", "data");
  std::filesystem::create_directory(folder_ / "archive");

  EXPECT_TRUE(FileExists(PathOf("Orders.mdb")));
  EXPECT_TRUE(FileExists(PathOf("archive")));
  EXPECT_TRUE(FileExists(PathOf("*.mdb")));
  EXPECT_TRUE(FileExists(PathOf("Ord?rs.mdb")));
  EXPECT_TRUE(FileExists(PathOf("a[1].mdb")));
  EXPECT_TRUE(FileExists(PathOf("a[1]*")));

  EXPECT_FALSE(FileExists(PathOf("missing.mdb")));
  EXPECT_FALSE(FileExists(PathOf("*.cdb")));
  EXPECT_FALSE(FileExists(PathOf("a[12].mdb")));
  EXPECT_FALSE(FileExists(PathOf("missing/Orders.mdb")));
  EXPECT_FALSE(FileExists(PathOf("arch*/Orders.mdb")));
  EXPECT_FALSE(FileExists(""));
}

TEST_F(FileExistsTest, TestsThePathAsGiven) {
  WriteFile("Orders.mdb", "data");
  EXPECT_FALSE(FileExists("\"" + PathOf("Orders.mdb") + "\""));
  EXPECT_FALSE(FileExists(PathOf("Orders.mdb") + "\n"));
}

}  // namespace
