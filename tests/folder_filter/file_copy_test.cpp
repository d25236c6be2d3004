// The folder filter's copy, on the real file system of each platform, in a
// folder of each case's own: what it makes, refuses, replaces and leaves.
#include "folder_filter/file_copy_test.h"

#include "folder_filter/copy_name.h"
#include "platform/win32.h"

namespace {

TEST_F(FileCopyTest, CopiesIntoFoldersItMakes) {
  const std::string data("a database\0with every byte\r\n\xFF", 30);
  WriteFile("Orders.mdb", data);
  const CopyOutcome outcome = CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")),
                                            Device({"Sales", "2026", "Orders.cdb"}, true), false);
  EXPECT_EQ(outcome.kind, CopyOutcome::kCopied) << outcome.systemError;
  EXPECT_EQ(Read("dev/Sales/2026/Orders.cdb"), data);
  EXPECT_EQ(Entries("dev/Sales/2026"), Names{"Orders.cdb"});
}

TEST_F(FileCopyTest, ReplacesOnlyWhenAllowed) {
  WriteFile("Orders.mdb", "new");
  fs::create_directory(PathOf("dev"));
  WriteFile("dev/Orders.cdb", "old");
  const FilePlace source = DesktopPlace(PathOf("Orders.mdb"));
  EXPECT_EQ(CopyWholeFile(source, Device({"Orders.cdb"}), false).kind,
            CopyOutcome::kDestinationExists);
  EXPECT_EQ(Read("dev/Orders.cdb"), "old");
  EXPECT_EQ(CopyWholeFile(source, Device({"Orders.cdb"}), true).kind, CopyOutcome::kCopied);
  EXPECT_EQ(Read("dev/Orders.cdb"), "new");
  EXPECT_EQ(Entries("dev"), Names{"Orders.cdb"});
}

TEST_F(FileCopyTest, TellsAMissingSourceApart) {
  fs::create_directory(PathOf("dev"));
  const CopyOutcome outcome =
      CopyWholeFile(Device({"Missing.cdb"}), DesktopPlace(PathOf("Copy.mdb")), true);
  EXPECT_EQ(outcome.kind, CopyOutcome::kSourceMissing);
  EXPECT_FALSE(fs::exists(PathOf("Copy.mdb")));
}

// A device compares names without regard to letter case: the file and its
// folders are found so, and a replaced file keeps the name it had.
TEST_F(FileCopyTest, ComparesDeviceNamesAsADeviceDoes) {
  WriteFile("Orders.mdb", "first");
  const FilePlace source = DesktopPlace(PathOf("Orders.mdb"));
  ASSERT_EQ(CopyWholeFile(source, Device({"Sales", "Orders.cdb"}, true), false).kind,
            CopyOutcome::kCopied);
  EXPECT_EQ(CopyWholeFile(source, Device({"SALES", "orders.cdb"}, true), false).kind,
            CopyOutcome::kDestinationExists);
  WriteFile("Orders.mdb", "second");
  EXPECT_EQ(CopyWholeFile(source, Device({"sales", "ORDERS.CDB"}, true), true).kind,
            CopyOutcome::kCopied);
  EXPECT_EQ(Entries("dev"), Names{"Sales"});
  EXPECT_EQ(Entries("dev/Sales"), Names{"Orders.cdb"});
  EXPECT_EQ(
      CopyWholeFile(Device({"sAlEs", "oRdErS.cDb"}), DesktopPlace(PathOf("Back.mdb")), false).kind,
      CopyOutcome::kCopied);
  EXPECT_EQ(Read("Back.mdb"), "second");
}

// Folders a failed copy made are removed again, the device folder too, and
// no copy is left: here the final name is one no file system takes.
TEST_F(FileCopyTest, LeavesNothingWhenItFails) {
  WriteFile("Orders.mdb", "data");
  const CopyOutcome outcome =
      CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")),
                    Device({"New", "Sub", std::string(300, 'x')}, true), false);
  EXPECT_EQ(outcome.kind, CopyOutcome::kFailed);
  EXPECT_NE(outcome.systemError, 0u);
  EXPECT_FALSE(fs::exists(PathOf("dev")));
}

TEST_F(FileCopyTest, ReplacesOnlyRegularFiles) {
  WriteFile("Orders.mdb", "data");
  fs::create_directories(PathOf("dev/Folder.cdb"));
  const CopyOutcome outcome =
      CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")), Device({"Folder.cdb"}), true);
  EXPECT_EQ(outcome.kind, CopyOutcome::kFailed);
  EXPECT_EQ(outcome.systemError, static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(fs::is_directory(PathOf("dev/Folder.cdb")));
  EXPECT_EQ(Entries("dev"), Names{"Folder.cdb"});
}

// A copy is removed by a later run only when its name has exactly a copy's
// form and no live run owns it; other files are the user's.
TEST_F(FileCopyTest, RemovesOnlyCopiesThatRunsLeftBehind) {
  WriteFile("Orders.mdb", "data");
  fs::create_directory(PathOf("dev"));
  const std::string abandoned = CopyName(0xFFFFFFF0u, 1);  // no such process
  // The other build's copy: only that build can tell whether its run lives.
  const std::string otherBuilds =
      std::string(".morvask-") + (*kCopyNameMark ? "" : "w") + "fffffff1-1.tmp";
  const Names users = {".MORVASK-fffffff0-1.TMP", ".morvask-notes.tmp", ".morvask-1-2.tmp.bak",
                       ".morvask-0ff-1.tmp", otherBuilds};
  for (const std::string& name : users) WriteFile("dev/" + name, "the user's");
  WriteFile("dev/" + abandoned, "left behind");
  ASSERT_EQ(CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")), Device({"Orders.cdb"}), false).kind,
            CopyOutcome::kCopied);
  Names expected = users;
  expected.push_back("Orders.cdb");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries("dev"), expected);
}

}  // namespace
