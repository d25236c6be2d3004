// The folder filter's copy: what only Windows does.
#include "folder_filter/copy_name.h"
#include "folder_filter/file_copy_test.h"
#include "platform/win32.h"

namespace {

// A copy whose run still holds it stays, whatever process number its name
// carries: this process's own, or one no process has (as a run in another
// Wine server or a reused number would show it). Once let go, it is
// removed.
TEST_F(FileCopyTest, KeepsACopyItsRunHoldsWhateverItsProcessNumber) {
  WriteFile("Orders.mdb", "data");
  fs::create_directory(PathOf("dev"));
  const std::string own = CopyName(GetCurrentProcessId(), 99);
  const std::string held = CopyName(0xFFFFFFF0u, 7);
  WriteFile("dev/" + own, "being written");
  WriteFile("dev/" + held, "being written");
  const HANDLE writer = CreateFileA(PathOf("dev/" + held).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  OVERLAPPED liveByte = {};
  liveByte.OffsetHigh = 0x40000000u;
  ASSERT_TRUE(
      LockFileEx(writer, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &liveByte));
  EXPECT_EQ(CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")), Device({"A.cdb"}), false).kind,
            CopyOutcome::kCopied);
  // Let go by its run only now: had the other run marked it for deleting,
  // it would go with this handle.
  CloseHandle(writer);
  EXPECT_EQ(Entries("dev"), (Names{own, held, "A.cdb"}));
  EXPECT_EQ(CopyWholeFile(DesktopPlace(PathOf("Orders.mdb")), Device({"B.cdb"}), false).kind,
            CopyOutcome::kCopied);
  EXPECT_EQ(Entries("dev"), (Names{own, "A.cdb", "B.cdb"}));
}

}  // namespace
