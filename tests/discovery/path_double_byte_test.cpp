// The path split under a double-byte ANSI code page (932), where a trail
// byte may equal "\". Windows builds run these with a Japanese locale.
#include <gtest/gtest.h>

#include "discovery/path.h"
#include "platform/win32.h"

namespace {

// U+8868 in code page 932: a lead byte, then a trail byte equal to "\".
const std::string kTable = "\x95\x5C";

TEST(SplitPathDoubleByte, RunsUnderCodePage932) { ASSERT_EQ(GetACP(), 932u); }

TEST(SplitPathDoubleByte, TrailBytesAreNeitherSeparatorsNorDots) {
  std::string drive, directory, extension;
  SplitPath("C:\\db\\" + kTable + ".mdb", drive, directory, extension);
  EXPECT_EQ(directory, "\\db\\");
  EXPECT_EQ(extension, ".mdb");

  SplitPath("C:\\db" + kTable + "x", drive, directory, extension);
  EXPECT_EQ(directory, "\\");
  EXPECT_EQ(extension, "");
}

TEST(SplitPathDoubleByte, CutDropsASplitCharacterWhole) {
  std::string drive, directory, extension;
  SplitPath(std::string(254, 'd') + kTable + "\\name", drive, directory, extension);
  EXPECT_EQ(directory, std::string(254, 'd'));
  SplitPath("n." + std::string(253, 'e') + kTable, drive, directory, extension);
  EXPECT_EQ(extension, "." + std::string(253, 'e'));
}

TEST(SplitPathDoubleByte, LeadByteAtTheEndStaysInside) {
  EXPECT_EQ(GetPathExtension("C:\\x.md\x95"), ".md\x95");
}

}  // namespace
