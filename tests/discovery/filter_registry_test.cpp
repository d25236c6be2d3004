// The lookups against the real registry of the platform: the Wine registry
// for Windows builds, a .reg file elsewhere. Each case uses keys of its own,
// so that cases may run side by side.
#include "discovery/filter_registry.h"

#include <gtest/gtest.h>

#include "support/registry_fixture.h"
#include "support/temp_dir.h"

namespace {

const std::string kFilters =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\";
const std::string kClasses = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\";

// Deletes the case's filter key before writing it afresh.
std::string FilterSection(const std::string& extension) {
  return "[-" + kFilters.substr(1) + extension + "]\r\n" + kFilters + extension + "]";
}

std::string ServerSection(const std::string& clsid) {
  return "[-" + kClasses.substr(1) + clsid + "]\r\n" + kClasses + clsid + "\\InProcServer32]";
}

class FilterRegistryTest : public TempDirTest {};

TEST_F(FilterRegistryTest, ReadsTheClassForEachDirection) {
  InstallRegistry(Regedit4({FilterSection(".t01"), "\"DefaultImport\"=\"{11111111-0001}\"",
                            "\"DefaultExport\"=\"{11111111-0002}\""}),
                  folder_);
  EXPECT_EQ(GetFilterClsid(".t01", "DefaultImport"), "{11111111-0001}");
  EXPECT_EQ(GetFilterClsid(".t01", "DefaultExport"), "{11111111-0002}");
  EXPECT_EQ(GetFilterClsid(".t01", "DefaultConvert"), "");
  EXPECT_EQ(GetFilterClsid(".t01x", "DefaultImport"), "");
}

TEST_F(FilterRegistryTest, KeyWithoutTheValueGivesNothing) {
  InstallRegistry(Regedit4({FilterSection(".t02"), "\"DefaultExport\"=\"{11111111-0002}\""}),
                  folder_);
  EXPECT_EQ(GetFilterClsid(".t02", "DefaultImport"), "");
}

TEST_F(FilterRegistryTest, ReadsValuesUpTo99Bytes) {
  const std::string fits(99, 'a');
  const std::string tooLong(100, 'b');
  InstallRegistry(Regedit4({FilterSection(".t03"), "\"DefaultImport\"=\"" + fits + "\"",
                            "\"DefaultExport\"=\"" + tooLong + "\""}),
                  folder_);
  EXPECT_EQ(GetFilterClsid(".t03", "DefaultImport"), fits);
  EXPECT_EQ(GetFilterClsid(".t03", "DefaultExport"), "");
}

TEST_F(FilterRegistryTest, ReadsOtherTypesAsTextUpToTheirFirstZero) {
  InstallRegistry(Regedit4({FilterSection(".t04"), "\"DefaultImport\"=dword:00636261",
                            "\"DefaultExport\"=hex:41,42,00,43", "\"Unended\"=hex:41,42"}),
                  folder_);
  EXPECT_EQ(GetFilterClsid(".t04", "DefaultImport"), "abc");
  EXPECT_EQ(GetFilterClsid(".t04", "DefaultExport"), "AB");
  EXPECT_EQ(GetFilterClsid(".t04", "Unended"), "AB");
}

TEST_F(FilterRegistryTest, MatchesNamesInAnyLetterCase) {
  InstallRegistry(Regedit4({FilterSection(".T05"), "\"defaultimport\"=\"{11111111-0005}\""}),
                  folder_);
  EXPECT_EQ(GetFilterClsid(".t05", "DefaultImport"), "{11111111-0005}");
  EXPECT_EQ(GetFilterClsid(".T05", "DEFAULTIMPORT"), "{11111111-0005}");
}

TEST_F(FilterRegistryTest, ReturnsTheServerPathAsStored) {
  InstallRegistry(
      Regedit4({ServerSection("{11111111-0006}"), "@=\"C:\\\\Filters\\\\filter.dll\"",
                ServerSection("{11111111-0007}"), "@=\"\\\"C:\\\\Filters\\\\filter.dll\\\"\"",
                ServerSection("{11111111-0008}"), "@=\"%FILTERS%\\\\filter.dll\"",
                ServerSection("{11111111-0009}"), "\"NotDefault\"=\"x.dll\""}),
      folder_);
  EXPECT_EQ(GetFilterServerPath("{11111111-0006}"), "C:\\Filters\\filter.dll");
  EXPECT_EQ(GetFilterServerPath("{11111111-0007}"), "\"C:\\Filters\\filter.dll\"");
  EXPECT_EQ(GetFilterServerPath("{11111111-0008}"), "%FILTERS%\\filter.dll");
  EXPECT_EQ(GetFilterServerPath("{11111111-0009}"), "");
  EXPECT_EQ(GetFilterServerPath("{11111111-0010}"), "");
}

// "hex:" data of `count` bytes, each `byte`, then `tail`.
std::string HexData(std::size_t count, const char* byte, const std::string& tail = "") {
  std::string data = "hex:";
  for (std::size_t i = 0; i < count; ++i) data += std::string(i ? "," : "") + byte;
  return data + tail;
}

TEST_F(FilterRegistryTest, ReadsDataOfUpTo100Bytes) {
  InstallRegistry(
      Regedit4({FilterSection(".t11"), "\"Bytes99\"=" + HexData(98, "41", ",00"),
                "\"Bytes100\"=" + HexData(99, "42", ",00"),
                "\"Bytes101\"=" + HexData(100, "43", ",00"),
                // No NUL at all: the text ends with the last byte read.
                "\"Unended100\"=" + HexData(100, "44"), "\"Unended101\"=" + HexData(101, "45")}),
      folder_);
  EXPECT_EQ(GetFilterClsid(".t11", "Bytes99"), std::string(98, 'A'));
  EXPECT_EQ(GetFilterClsid(".t11", "Bytes100"), std::string(99, 'B'));
  EXPECT_EQ(GetFilterClsid(".t11", "Bytes101"), "");
  EXPECT_EQ(GetFilterClsid(".t11", "Unended100"), std::string(100, 'D'));
  EXPECT_EQ(GetFilterClsid(".t11", "Unended101"), "");
}

TEST_F(FilterRegistryTest, ReadsMultiAndExpandStringsAsTheyAreStored) {
  InstallRegistry(
      Regedit4({ServerSection("{11111111-0012}"), "@=hex(7):61,2e,64,6c,6c,00,62,00,00",
                ServerSection("{11111111-0013}"), "@=hex(2):25,58,25,5c,66,2e,64,6c,6c,00"}),
      folder_);
  EXPECT_EQ(GetFilterServerPath("{11111111-0012}"), "a.dll");
  EXPECT_EQ(GetFilterServerPath("{11111111-0013}"), "%X%\\f.dll");
}

#ifdef _WIN32
// Wine's RegOpenKeyExA converts the key path in a buffer of MAX_PATH
// characters: the 321-byte path of a 255-byte extension is not found.
const char kClsidOf255ByteExtension[] = "";
#else
const char kClsidOf255ByteExtension[] = "{255}";
#endif

TEST_F(FilterRegistryTest, JoinsLongClassesAndExtensionsIntoKeyPaths) {
  const std::string clsid = "{" + std::string(97, '7') + "}";
  const std::string extension255 = "." + std::string(254, 'e');
  InstallRegistry(Regedit4({ServerSection(clsid), "@=\"long.dll\"", FilterSection(extension255),
                            "\"DefaultImport\"=\"{255}\""}),
                  folder_);
  EXPECT_EQ(GetFilterServerPath(clsid), "long.dll");
  EXPECT_EQ(GetFilterClsid(extension255, "DefaultImport"), kClsidOf255ByteExtension);
  // No registry holds a key name longer than 255 bytes.
  EXPECT_EQ(GetFilterClsid("." + std::string(299, 'e'), "DefaultImport"), "");
}

}  // namespace
