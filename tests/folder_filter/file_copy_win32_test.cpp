// The folder filter's copy: what only Windows does.
#include "folder_filter/copy_name.h"
#include "folder_filter/file_copy_test.h"
#include "platform/win32.h"

namespace {

// A copy whose process lives stays: this process's own, here.
TEST_F(FileCopyTest, KeepsACopyItsProcessMayStillWrite) {
  WriteFile("Orders.mdb", "data");
  fs::create_directory(PathOf("dev"));
  const std::string live = CopyName(GetCurrentProcessId(), 99);
  WriteFile("dev/" + live, "being written");
  EXPECT_EQ(CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")), Device({"Orders.cdb"}), false).kind,
            CopyOutcome::kCopied);
  EXPECT_EQ(Entries("dev"), (Names{live, "Orders.cdb"}));
}

}  // namespace
