// The library and message stand-ins answer with Windows' error codes and
// texts, as the transfer run and the report expect them.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "support/temp_dir.h"

namespace {

class LibraryTest : public TempDirTest {};

TEST_F(LibraryTest, SetsWindowsErrorCodes) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(PathOf("missing.so").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), 126u);

  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(WriteFile("text.so", "not a library\n").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), 193u);

  // A library for this machine whose own library is missing.
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(MORVASK_FILTER_DIR "/dependent_filter.so"), nullptr);
  EXPECT_EQ(GetLastError(), 126u);

  const HMODULE library = LoadLibraryA(MORVASK_FILTER_DIR "/recording_filter.so");
  ASSERT_NE(library, nullptr);
  EXPECT_NE(GetProcAddress(library, "DESKTOPTODEVICE"), nullptr);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(library, "desktoptodevice"), nullptr);
  EXPECT_EQ(GetLastError(), 127u);
  EXPECT_TRUE(FreeLibrary(library));
}

TEST_F(LibraryTest, LoadsABareNameFromTheCurrentDirectoryOnly) {
  // Found on the library search path, but not here: not loaded.
  EXPECT_EQ(LoadLibraryA("libc.so.6"), nullptr);
  EXPECT_EQ(GetLastError(), 126u);
}

std::string SystemText(DWORD code) {
  LPSTR buffer = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  if (buffer == nullptr) return "(none)";
  std::string text = buffer;
  EXPECT_EQ(LocalFree(buffer), nullptr);
  return text;
}

TEST(FormatMessageA, KnowsTheCodesItsStandInsSet) {
  EXPECT_EQ(SystemText(0), "The operation completed successfully.\n");
  EXPECT_EQ(SystemText(2), "The system cannot find the file specified.\n");
  EXPECT_EQ(SystemText(0x80070002u), "The system cannot find the file specified.\n");
  EXPECT_EQ(SystemText(0x800700C1u), "%1 is not a valid Win32 application.\n");
  EXPECT_EQ(SystemText(0x8007007Fu), "The specified procedure could not be found.\n");
  EXPECT_EQ(SystemText(0x80070000u), "(none)");
  EXPECT_EQ(SystemText(0x80040002u), "(none)");
  EXPECT_EQ(SystemText(0x800A0F10u), "(none)");
}

}  // namespace
