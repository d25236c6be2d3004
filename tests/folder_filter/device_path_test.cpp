#include "folder_filter/device_path.h"

#include <gtest/gtest.h>

namespace {

constexpr char kRefused[] = "(refused)";

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
    {"\\Sales\\", "dev/Sales"},
    {"\\Orders..cdb", "dev/Orders..cdb"},
    {"\\...cdb", "dev/...cdb"},
    {"\\CONSOLE.cdb", "dev/CONSOLE.cdb"},
    {"\\COM0.cdb", "dev/COM0.cdb"},
    // Leaving the device folder.
    {"..\\Orders.cdb", kRefused},
    {"\\Sales\\..\\..\\Orders.cdb", kRefused},
    {"\\Sales\\..\\Orders.cdb", kRefused},
    {"C:\\Orders.cdb", kRefused},
    {"C:Orders.cdb", kRefused},
    {"\\Orders.cdb:stream", kRefused},
    {"\\\\server\\share\\Orders.cdb", kRefused},
    {"//server/share/Orders.cdb", kRefused},
    // No file, or a name Windows would not keep as typed.
    {"", kRefused},
    {"\\", kRefused},
    {"\\.\\", kRefused},
    {"\\Orders.", kRefused},
    {"\\Orders.cdb ", kRefused},
    {"\\NUL", kRefused},
    {"\\con.cdb", kRefused},
    {"\\Sales\\Lpt9.cdb", kRefused},
    {"\\aux", kRefused},
    {"\\NUL .cdb", kRefused},
    {"\\CONIN$", kRefused},
    {"\\conout$.cdb", kRefused},
    {"\\Clock$.cdb", kRefused},
    {"\\COM\xC2\xB9.cdb", kRefused},  // COM and a superscript one, in UTF-8
    {"\\LPT\xC2\xB3", kRefused},
    {"\\COM\xB2.cdb", kRefused},  // in the Windows Latin code page
    {"\\COM\xC2\xB4.cdb", "dev/COM\xC2\xB4.cdb"},
    {"\\COM10.cdb", "dev/COM10.cdb"},
    {"\\CONIN.cdb", "dev/CONIN.cdb"},
    // Characters no Windows name holds.
    {"\\a<b.cdb", kRefused},
    {"\\a>b.cdb", kRefused},
    {"\\a\"b.cdb", kRefused},
    {"\\a|b.cdb", kRefused},
    {"\\a?b.cdb", kRefused},
    {"\\a*b.cdb", kRefused},
    {"\\Sales\ta\\Orders.cdb", kRefused},
    {"\\a\tb.cdb", kRefused},
    {"\\a\001b.cdb", kRefused},
    {"\\a\x1F.cdb", kRefused},
    {"\\a\x7F.cdb", "dev/a\x7F.cdb"},
    {"\\a b.cdb", "dev/a b.cdb"},
};

// The names of the device path under the device folder "dev", or kRefused.
std::string Resolve(const std::string& devicePath) {
  const std::optional<std::vector<std::string>> names = SplitDevicePath(devicePath);
  if (!names) return kRefused;
  std::string resolved = "dev";
  for (const std::string& name : *names) resolved += "/" + name;
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
