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
// Superscripts one and three and an acute accent, in this build's code
// page.
#ifdef _WIN32
#define SUPERSCRIPT_1 "\xB9"
#define SUPERSCRIPT_3 "\xB3"
#define ACUTE "\xB4"
constexpr const char* kLatinByte = kOutside;
constexpr const char* kLatinCafe = "dev/caf\xC3\xA9.cdb";
constexpr const char* kUtf8Cafe = "dev/caf\xC3\x83\xC2\xA9.cdb";  // "cafÃ©" in this code page
#else
#define SUPERSCRIPT_1 "\xC2\xB9"
#define SUPERSCRIPT_3 "\xC2\xB3"
#define ACUTE "\xC2\xB4"
constexpr const char* kLatinByte = kNoName;
constexpr const char* kLatinCafe = kNoName;
constexpr const char* kUtf8Cafe = "dev/caf\xC3\xA9.cdb";
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
    {"\\COM" SUPERSCRIPT_1 ".cdb", kOutside},
    {"\\LPT" SUPERSCRIPT_3, kOutside},
    {"\\COM\xB2.cdb", kLatinByte},  // in the Windows Latin code page
    {"\\COM" ACUTE ".cdb", "dev/COM\xC2\xB4.cdb"},
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
    // A device holds paths of 259 characters at most, counted in UTF-16,
    // and names of 255.
    {"\\dd\\" LONG_NAME_251 ".cdb", "dev/dd/" LONG_NAME_251 ".cdb"},
    {"\\ddd\\" LONG_NAME_251 ".cdb", kTooLong},
    {"\\" LONG_NAME_251 "d.cdb", kTooLong},
    // Text that is not UTF-8, this build's code page, names nothing a
    // device holds.
    {"\\caf\xE9.cdb", kLatinCafe},
    {"\\caf\xC3\xA9.cdb", kUtf8Cafe},
};

// UTF-16 text in UTF-8, to read in a failure.
std::string Utf8(const WideText& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00u);
    }
    const int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    bytes += static_cast<char>(extra == 0 ? code : (0xF0 << (3 - extra)) | (code >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6) {
      bytes += static_cast<char>(0x80 | ((code >> shift) & 0x3F));
    }
  }
  return bytes;
}

// The names of the device path under the device folder "dev", or why it
// is refused; a refused path names nothing.
std::string Resolve(const std::string& devicePath) {
  const DevicePath path = SplitDevicePath(devicePath);
  if (path.refusal != 0) {
    return "refused " + std::to_string(path.refusal) + (path.names.empty() ? "" : ", yet named");
  }
  std::string resolved = "dev";
  for (const WideText& name : path.names) resolved += "/" + Utf8(name);
  return resolved;
}

class SplitDevicePathCases : public ::testing::TestWithParam<DevicePathCase> {};

TEST_P(SplitDevicePathCases, StaysInTheDeviceFolder) {
  EXPECT_EQ(Resolve(GetParam().devicePath), GetParam().resolved) << GetParam().devicePath;
}

INSTANTIATE_TEST_SUITE_P(SplitDevicePath, SplitDevicePathCases,
                         ::testing::ValuesIn(kDevicePathCases));

// Names a device takes for one, and names it keeps apart, as Windows
// compares them: a letter maps to its upper case only where that maps back
// to it. The first 27 rows are the letters whose upper case lowers to
// another letter, which Windows keeps apart from it ("µ" from "Μ").
struct FoldCase {
  std::u16string entry;
  std::u16string name;
  bool same;
};

const FoldCase kFoldCases[] = {
    {u"\u00B5", u"\u039C", false},
    {u"\u0131", u"I", false},
    {u"\u017F", u"S", false},
    {u"\u01C5", u"\u01C4", false},
    {u"\u01C8", u"\u01C7", false},
    {u"\u01CB", u"\u01CA", false},
    {u"\u01F2", u"\u01F1", false},
    {u"\u0345", u"\u0399", false},
    {u"\u03C2", u"\u03A3", false},
    {u"\u03D0", u"\u0392", false},
    {u"\u03D1", u"\u0398", false},
    {u"\u03D5", u"\u03A6", false},
    {u"\u03D6", u"\u03A0", false},
    {u"\u03F0", u"\u039A", false},
    {u"\u03F1", u"\u03A1", false},
    {u"\u03F5", u"\u0395", false},
    {u"\u1C80", u"\u0412", false},
    {u"\u1C81", u"\u0414", false},
    {u"\u1C82", u"\u041E", false},
    {u"\u1C83", u"\u0421", false},
    {u"\u1C84", u"\u0422", false},
    {u"\u1C85", u"\u0422", false},
    {u"\u1C86", u"\u042A", false},
    {u"\u1C87", u"\u0462", false},
    {u"\u1C88", u"\uA64A", false},
    {u"\u1E9B", u"\u1E60", false},
    {u"\u1FBE", u"\u0399", false},
    {u"\u03C0\u03C1\u03BF\u03C2.cdb", u"\u03A0\u03A1\u039F\u03A3.CDB", false},  // "προς", "ΠΡΟΣ"
    {u"\u03C0\u03C1\u03BF\u03C3.cdb", u"\u03A0\u03A1\u039F\u03A3.CDB", true},
    {u"caf\u00E9.cdb", u"CAF\u00C9.CDB", true},
    {u"\u00FF", u"\u0178", true},          // "ÿ", "Ÿ"
    {u"\u01C6", u"\u01C4", true},          // "ǆ", "Ǆ"
    {u"\u10D0", u"\u1C90", true},          // Georgian "ა", "Ა"
    {u"\u00DF", u"SS", false},             // "ß" has no upper case of one character
    {u"\U00010428", u"\U00010400", true},  // Deseret, beyond the BMP
    {u"\u03A3ales.cdb", u"Sales.cdb", false},
};

class MatchDeviceNameCases : public ::testing::TestWithParam<FoldCase> {};

TEST_P(MatchDeviceNameCases, ComparesAsWindows) {
  const FoldCase& row = GetParam();
  const WideText entry(row.entry.begin(), row.entry.end());
  WideText found;
  EXPECT_EQ(MatchDeviceName({entry}, WideText(row.name.begin(), row.name.end()), found),
            row.same ? NameMatch::kOne : NameMatch::kNone)
      << Utf8(entry);
}

INSTANTIATE_TEST_SUITE_P(MatchDeviceName, MatchDeviceNameCases, ::testing::ValuesIn(kFoldCases));

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
