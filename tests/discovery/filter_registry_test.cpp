// The lookups against the real registry of the platform: the Wine registry
// for Windows builds, a .reg file elsewhere. Each case uses keys of its own,
// so that cases may run side by side.
#include "discovery/filter_registry.h"

#include <gtest/gtest.h>

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

}  // namespace
