// The Windows build's check of the runtime's arguments against what was
// typed.
#include <gtest/gtest.h>

#include "platform/argument_splits.h"

namespace {

struct SplitCase {
  const char* name;
  std::vector<std::string> ansi;
  std::vector<const wchar_t*> wide;
  std::vector<std::string> read;
  std::vector<bool> asTyped;
};

// Full-width quotation marks (U+FF02) and Greek letters have no place in
// code page 1252 or 437: the runtime's ANSI arguments hold its best fit.
const SplitCase kSplits[] = {
    {"alike",
     {"m", "/D2P", "/D", "a.mdb"},
     {L"m", L"/D2P", L"/D", L"a.mdb"},
     {"m", "/D2P", "/D", "a.mdb"},
     {true, true, true, true}},
    {"a best fit in one argument",
     {"m", "/P", "S.cdb"},
     {L"m", L"/P", L"\u03a3.cdb"},
     {"m", "/P", "S.cdb"},
     {true, true, false}},
    {"one argument split into three by a best-fit quotation mark",
     {"m", "/P2D", "/P", "\\x", "/O", "y.cdb"},
     {L"m", L"/P2D", L"/P", L"\\x\uff02 /O \uff02y.cdb"},
     {"m", "/P2D", "/P", "\\x? /O ?y.cdb"},
     {true, true, true, false}},
    {"two arguments joined into one",
     {"m", "/D2P", "a b"},
     {L"m", L"/D2P", L"a", L"b"},
     {"m", "/D2P", "a", "b"},
     {true, true, true, true}},
};

TEST(CompareArgumentSplits, ReadsTheWideSplitWhenTheCountsDiffer) {
  for (const SplitCase& split : kSplits) {
    SCOPED_TRACE(split.name);
    std::vector<bool> asTyped;
    EXPECT_EQ(CompareArgumentSplits(split.ansi, split.wide, asTyped), split.read);
    EXPECT_EQ(asTyped, split.asTyped);
  }
}

}  // namespace
