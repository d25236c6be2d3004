#include "folder_filter/device_path.h"

#include <gtest/gtest.h>

namespace {

#define LONG_NAME_51 "ddddddddddddddddddddddddddddddddddddddddddddddddddd"
// 251 characters: with "\d\" and ".cdb", a path of 259.
#define LONG_NAME_251                                 \
  LONG_NAME_51 LONG_NAME_51 LONG_NAME_51 LONG_NAME_51 \
      "ddddddddddddddddddddddddddddddddddddddddddddddd"

// Refused, and with what.
constexpr char kOutside[] = "refused 5";    // ERROR_ACCESS_DENIED
constexpr char kNoName[] = "refused 123";   // ERROR_INVALID_NAME
constexpr char kTooLong[] = "refused 206";  // ERROR_FILENAME_EXCED_RANGE
// A byte of the Windows Latin code page: a letter there (and COM² a device),
// but no UTF-8, the code page of a Linux build.
#ifdef _WIN32
constexpr const char* kLatinByte = kOutside;
constexpr const char* kLatinCafe = "dev/caf\xE9.cdb";
#else
constexpr const char* kLatinByte = kNoName;
constexpr const char* kLatinCafe = kNoName;
#endif

struct DevicePathCase {
  const char* devicePath;
  const char* resolved;  // under the device folder "dev", joined with "/"
};

const DevicePathCase kDevicePathCases[] = {
    {"\\Orders.cdb", "dev/Orders.cdb"},
    {"Orders.cdb", "dev/Orders.cdb"},
    {"/Sales/2026/Orders.cdb", "dev/Sales/2026/Orders.cdb"},
    {"\\Sales/Orders.cdb", "dev/Sales/Orders.cdb"},
    {"\\Sales\\\\.\\Orders.cdb", "dev/Sales/Orders.cdb"},
    {"\\Orders..cdb", "dev/Orders..cdb"},
    {"\\...cdb", "dev/...cdb"},
    {"\\CONSOLE.cdb", "dev/CONSOLE.cdb"},
    {"\\COM0.cdb", "dev/COM0.cdb"},
    // Leaving the device folder.
    {"..\\Orders.cdb", kOutside},
    {"\\Sales\\..\\..\\Orders.cdb", kOutside},
    {"\\Sales\\..\\Orders.cdb", kOutside},
    {"\\Sales\\2026\\Orders.", kOutside},
    {"C:\\Orders.cdb", kOutside},
    {"C:Orders.cdb", kOutside},
    {"\\Orders.cdb:stream", kOutside},
    {"\\\\server\\share\\Orders.cdb", kOutside},
    {"//server/share/Orders.cdb", kOutside},
    // No file name.
    {"", kNoName},
    {"\\", kNoName},
    {"\\.\\", kNoName},
    {"\\Sales\\", kNoName},
    {"\\Sales/", kNoName},
    {"\\Sales\\.", kNoName},
    // A name Windows would not keep as typed.
    {"\\Orders.", kOutside},
    {"\\Orders.cdb ", kOutside},
    {"\\NUL", kOutside},
    {"\\con.cdb", kOutside},
    {"\\Sales\\Lpt9.cdb", kOutside},
    {"\\aux", kOutside},
    {"\\NUL .cdb", kOutside},
    {"\\CONIN$", kOutside},
    {"\\conout$.cdb", kOutside},
    {"\\Clock$.cdb", kOutside},
    {"\\COM\xC2\xB9.cdb", kOutside},  // COM and a superscript one, in UTF-8
    {"\\LPT\xC2\xB3", kOutside},
    {"\\COM\xB2.cdb", kLatinByte},  // in the Windows Latin code page
    {"\\COM\xC2\xB4.cdb", "dev/COM\xC2\xB4.cdb"},
    {"\\COM10.cdb", "dev/COM10.cdb"},
    {"\\CONIN.cdb", "dev/CONIN.cdb"},
    // Characters no Windows name holds.
    {"\\a<b.cdb", kOutside},
    {"\\a>b.cdb", kOutside},
    {"\\a\"b.cdb", kOutside},
    {"\\a|b.cdb", kOutside},
    {"\\a?b.cdb", kOutside},
    {"\\a*b.cdb", kOutside},
    {"\\Sales\ta\\Orders.cdb", kOutside},
    {"\\a\tb.cdb", kOutside},
    {"\\a\001b.cdb", kOutside},
    {"\\a\x1F.cdb", kOutside},
    {"\\a\x7F.cdb", "dev/a\x7F.cdb"},
    {"\\a b.cdb", "dev/a b.cdb"},
    // The names copies in progress carry, in any letter case; folders may
    // have them.
    {"\\.morvask-1a2b-3c.tmp", kOutside},
    {"\\Sales\\.MORVASK-1A2B-3C.TMP", kOutside},
    {"\\.morvask-1a2b-3c.tmp\\Orders.cdb", "dev/.morvask-1a2b-3c.tmp/Orders.cdb"},
    {"\\.morvask-notes.tmp", "dev/.morvask-notes.tmp"},
    // A device holds paths of 259 characters at most, counted in UTF-16.
    {"\\dd\\" LONG_NAME_251 ".cdb", "dev/dd/" LONG_NAME_251 ".cdb"},
    {"\\ddd\\" LONG_NAME_251 ".cdb", kTooLong},
    // Text that is not UTF-8, this build's code page, names nothing a
    // device holds.
    {"\\caf\xE9.cdb", kLatinCafe},
    {"\\caf\xC3\xA9.cdb", "dev/caf\xC3\xA9.cdb"},
};

// The names of the device path under the device folder "dev", or why it
// is refused; a refused path names nothing.
std::string Resolve(const std::string& devicePath) {
  const DevicePath path = SplitDevicePath(devicePath);
  if (path.refusal != 0) {
    return "refused " + std::to_string(path.refusal) + (path.names.empty() ? "" : ", yet named");
  }
  std::string resolved = "dev";
  for (const std::string& name : path.names) resolved += "/" + name;
  return resolved;
}

class SplitDevicePathCases : public ::testing::TestWithParam<DevicePathCase> {};

TEST_P(SplitDevicePathCases, StaysInTheDeviceFolder) {
  EXPECT_EQ(Resolve(GetParam().devicePath), GetParam().resolved) << GetParam().devicePath;
}

INSTANTIATE_TEST_SUITE_P(SplitDevicePath, SplitDevicePathCases,
                         ::testing::ValuesIn(kDevicePathCases));

struct DefaultCase {
  const char* desktopFile;
  const char* devicePath;
};

const DefaultCase kDefaultCases[] = {
    {"Orders.mdb", "\\Orders.cdb"},
    {"C:\\data\\Orders.mdb", "\\Orders.cdb"},
    {"/home/data/orders.MDB", "\\orders.cdb"},
    {"C:Orders.mdb", "\\Orders.cdb"},
    {"archive.2026.mdb", "\\archive.2026.cdb"},
    {"data.d/Orders", "\\Orders.cdb"},
};

class DefaultDevicePathCases : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultDevicePathCases, TakesTheDesktopNameInTheDeviceRoot) {
  EXPECT_EQ(DefaultDevicePath(GetParam().desktopFile), GetParam().devicePath);
}

INSTANTIATE_TEST_SUITE_P(DefaultDevicePath, DefaultDevicePathCases,
                         ::testing::ValuesIn(kDefaultCases));

}  // namespace
