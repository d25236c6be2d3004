#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Arguments whose name starts with "~" stand for ones that did not reach
// the program as typed (the code page could not hold them); the "~" goes.
std::optional<TransferRequest> Parse(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv = {"morvask"};
  std::vector<bool> asTyped = {true};
  for (const std::string& argument : arguments) {
    const bool typed = argument.empty() || argument[0] != '~';
    argv.push_back(argument.c_str() + (typed ? 0 : 1));
    asTyped.push_back(typed);
  }
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), asTyped);
}

struct ParseCase {
  std::vector<std::string> arguments;
  TransferDirection direction;
  std::string desktopFile;
  std::string deviceFile;
  std::string tableList;
  int syncTables;
  int allowOverwrite;
};

const ParseCase kParseCases[] = {
    {{}, TransferDirection::None, "", "", "", 0, 0},
    {{"/D2P", "/D", "C:\\data\\Orders.mdb", "/P", "\\Orders.cdb", "/T", "Customers", "/O"},
     TransferDirection::DesktopToDevice,
     "C:\\data\\Orders.mdb",
     "\\Orders.cdb",
     "Customers..",
     0,
     1},
    {{"/d2p"}, TransferDirection::DesktopToDevice, "", "", "", 0, 0},
    {{"/D2P", "/P2D"}, TransferDirection::DeviceToDesktop, "", "", "", 0, 0},
    {{"/P2D", "/D2P"}, TransferDirection::DesktopToDevice, "", "", "", 0, 0},
    {{"/SY", "/sy", "/Sy", "/o", "/O"}, TransferDirection::None, "", "", "", 1, 1},
    // A value option takes the next argument whatever it is.
    {{"/D", "/?"}, TransferDirection::None, "/?", "", "", 0, 0},
    {{"/D", "/P2D"}, TransferDirection::None, "/P2D", "", "", 0, 0},
    {{"/P", "/T", "x"}, TransferDirection::None, "", "/T", "", 0, 0},
    // The last value wins; a value option standing last changes nothing.
    {{"/D", "a.mdb", "/D", "b.mdb"}, TransferDirection::None, "b.mdb", "", "", 0, 0},
    {{"/D", "a.mdb", "/D"}, TransferDirection::None, "a.mdb", "", "", 0, 0},
    {{"/T"}, TransferDirection::None, "", "", "", 0, 0},
    {{"/T", "Orders", "/t", "Customers"},
     TransferDirection::None,
     "",
     "",
     "Orders..Customers..",
     0,
     0},
    {{"/T", "x", "/T", "x"}, TransferDirection::None, "", "", "x..x..", 0, 0},
    {{"/T", ""}, TransferDirection::None, "", "", "..", 0, 0},
    // Values are stored exactly as they arrive.
    {{"/D", "  My Orders.MDB "}, TransferDirection::None, "  My Orders.MDB ", "", "", 0, 0},
    // Only whole arguments match: no other prefix, no joined value.
    {{"-D2P", "/D2P:", "D2P", "/D2", "/D2PX", "/Sync", "/D:a.mdb"},
     TransferDirection::None,
     "",
     "",
     "",
     0,
     0},
    // Case folding covers A to Z only: the long s (U+017F) is no "s".
    {{"/\xC5\xBFy"}, TransferDirection::None, "", "", "", 0, 0},
    // An empty argument after a value option is its value.
    {{"/D", "", "/P", "", "/T", ""}, TransferDirection::None, "", "", "..", 0, 0},
    {{"/D", "a.mdb", "/D", "", "/P", "b", "/P", ""}, TransferDirection::None, "", "", "", 0, 0},
    // Bytes above 0x7F are data, neither matched nor changed.
    {{"/D", "\x80\xFF.mdb", "/T", "\xC0\xFE", "/\xC4"},
     TransferDirection::None,
     "\x80\xFF.mdb",
     "",
     "\xC0\xFE..",
     0,
     0},
};

class ParseCommandLineCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineCases, FillsTheRequest) {
  const ParseCase& expected = GetParam();
  const std::optional<TransferRequest> request = Parse(expected.arguments);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->direction, expected.direction);
  EXPECT_EQ(request->desktopFile, expected.desktopFile);
  EXPECT_EQ(request->deviceFile, expected.deviceFile);
  EXPECT_EQ(request->tableList, expected.tableList);
  EXPECT_EQ(request->syncTables, expected.syncTables);
  EXPECT_EQ(request->allowOverwrite, expected.allowOverwrite);
}

INSTANTIATE_TEST_SUITE_P(ParseCommandLine, ParseCommandLineCases, ::testing::ValuesIn(kParseCases));

TEST(ParseCommandLine, QuestionMarkAsksForUsageWhereverItStands) {
  EXPECT_FALSE(Parse({"/?"}).has_value());
  EXPECT_FALSE(Parse({"/D2P", "/D", "a.mdb", "/?"}).has_value());
  EXPECT_FALSE(Parse({"/?", "/D2P"}).has_value());
}

// A name the code page could not hold as typed is no option, and the
// request notes the option it was given with, where it counts.
TEST(ParseCommandLine, NotesNamesThatAreNotAsTyped) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"/D2P", "/D", "~Sales.mdb"}, "/D"},
      {{"/D2P", "/D", "~Sales.mdb", "/D", "Orders.mdb"}, ""},
      {{"/P2D", "/P", "~\\Sales.cdb", "/D", "x.mdb"}, "/P"},
      {{"/T", "a", "/T", "~b", "/T", "c"}, "/T"},
      {{"~/D", "/P"}, ""},
  };
  for (const auto& [arguments, option] : cases) {
    const std::optional<TransferRequest> request = Parse(arguments);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->notAsTyped, option) << arguments[1];
  }
  EXPECT_EQ(Parse({"~/D2P"})->direction, TransferDirection::None);
  EXPECT_TRUE(Parse({"~/?"}).has_value());
}

TEST(ParseCommandLine, KeepsTableNamesInOrder) {
  const std::optional<TransferRequest> request = Parse({"/T", "b", "/T", "a", "/T", "b"});
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->tableNames, (std::vector<std::string>{"b", "a", "b"}));
}

TEST(ParseCommandLine, TakesAnArgumentOfOneMebibyte) {
  const std::string huge(1 << 20, 'x');
  const std::optional<TransferRequest> request = Parse({"/D2P", "/D", huge + ".mdb", "/P", huge});
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->desktopFile, huge + ".mdb");
  EXPECT_EQ(request->deviceFile, huge);
}

TEST(ParseCommandLine, Takes20000Tables) {
  std::vector<std::string> arguments;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    arguments.insert(arguments.end(), {"/T", "t" + std::to_string(i)});
    expected += "t" + std::to_string(i) + "..";
  }
  const std::optional<TransferRequest> request = Parse(arguments);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->tableNames.size(), 20000u);
  EXPECT_EQ(request->tableList, expected);
}

}  // namespace
