// The folder filter's copy: what only Linux does.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "folder_filter/copy_name.h"
#include "folder_filter/file_copy_test.h"
#include "platform/win32.h"

namespace {

// Two names that differ only in letter case: no device holds them, so the
// copy refuses to guess which one is meant.
TEST_F(FileCopyTest, RefusesNamesADeviceCouldNotHold) {
  fs::create_directory(PathOf("dev"));
  WriteFile("dev/Orders.cdb", "one");
  WriteFile("dev/ORDERS.cdb", "two");
  const CopyOutcome outcome =
      CopyWholeFile(Device({"orders.cdb"}), DesktopPlace(PathOf("Copy.mdb")), true);
  EXPECT_EQ(outcome.kind, CopyOutcome::kFailed);
  EXPECT_EQ(outcome.systemError, static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(fs::exists(PathOf("Copy.mdb")));
}

// A copy whose writer holds its lock stays, whatever its process number.
TEST_F(FileCopyTest, KeepsACopyItsWriterHolds) {
  WriteFile("Orders.mdb", "data");
  fs::create_directory(PathOf("dev"));
  const std::string held = CopyName(1, 7);
  WriteFile("dev/" + held, "being written");
  const int lock = open(PathOf("dev/" + held).c_str(), O_RDONLY);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  EXPECT_EQ(CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")), Device({"Orders.cdb"}), false).kind,
            CopyOutcome::kCopied);
  close(lock);
  EXPECT_EQ(Entries("dev"), (Names{held, "Orders.cdb"}));
}

// As cp does: the new content lands in the file the link leads to, and the
// link stays.
TEST_F(FileCopyTest, WritesThroughADesktopLink) {
  fs::create_directories(PathOf("dev"));
  fs::create_directories(PathOf("real"));
  WriteFile("dev/Orders.cdb", "new");
  WriteFile("real/Orders.mdb", "old");
  fs::create_symlink("real/Orders.mdb", PathOf("Link.mdb"));
  EXPECT_EQ(CopyWholeFile(Device({"Orders.cdb"}), DesktopPlace(PathOf("Link.mdb")), true).kind,
            CopyOutcome::kCopied);
  EXPECT_TRUE(fs::is_symlink(PathOf("Link.mdb")));
  EXPECT_EQ(Read("real/Orders.mdb"), "new");
  EXPECT_EQ(Entries("real"), Names{"Orders.mdb"});
}

// A hole of the source stays a hole in the copy.
TEST_F(FileCopyTest, KeepsHoles) {
  const std::string path = PathOf("Sparse.mdb");
  {
    std::ofstream file(path, std::ios::binary);
    file << "start";
    file.seekp(64 << 20);
    file << "end";
  }
  ASSERT_EQ(CopyWholeFile(DesktopPlace(path), Device({"Sparse.cdb"}, true), false).kind,
            CopyOutcome::kCopied);
  struct stat copy;
  ASSERT_EQ(stat(PathOf("dev/Sparse.cdb").c_str(), &copy), 0);
  EXPECT_EQ(copy.st_size, (64 << 20) + 3);
  EXPECT_LT(copy.st_blocks * 512, 1 << 20) << "the copy filled the holes";
  char start[5] = {};
  std::ifstream(PathOf("dev/Sparse.cdb"), std::ios::binary).read(start, sizeof start);
  EXPECT_EQ(std::string(start, sizeof start), "start");
}

}  // namespace
