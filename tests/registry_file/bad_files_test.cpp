// Registry files no editor would write: each must read as what it holds
// up to where it breaks, without a crash, a hang or a read past the data.
#include <gtest/gtest.h>

#include <string>

#include "discovery/filter_registry.h"
#include "support/registry_fixture.h"
#include "support/temp_dir.h"

namespace {

const std::string kKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb]";
const std::string kValue = "\"DefaultImport\"=\"{Good}\"";

std::string Utf16(const std::string& text, bool byteOrderMark = true) {
  std::string units = byteOrderMark ? "\xFF\xFE" : "";
  for (char c : text) units += {c, '\0'};
  return units;
}

std::string Version5(const std::string& body) {
  return Utf16("Windows Registry Editor Version 5.00\r\n\r\n" + body);
}

std::string ManyKeys(int count) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (int i = 0; i < count; ++i) {
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Generated\\Key" + std::to_string(i) +
            "]\r\n\"Value\"=\"" + std::to_string(i) + "\"\r\n";
  }
  return text + kKey + "\r\n" + kValue + "\r\n";
}

// The contents are made when the case runs: some are large.
struct BadFileCase {
  const char* name;
  std::string (*contents)();
  const char* clsid;  // what the .mdb import lookup finds
};

const BadFileCase kBadFileCases[] = {
    {"Empty", [] { return std::string(); }, ""},
    {"HeaderOnly", [] { return std::string("REGEDIT4\r\n"); }, ""},
    {"NoHeader", [] { return kKey + "\r\n" + kValue + "\r\n"; }, ""},
    {"BinaryGarbage",
     [] {
       return std::string(
           "\x7F"
           "ELF\x02\x01\x01\0\xFF\xFE[\x80\x81\n\r\0\0",
           18);
     },
     ""},
    {"Utf16WithoutByteOrderMark",
     [] {
       return Utf16(
           "Windows Registry Editor Version 5.00\r\n\r\n" + kKey + "\r\n" + kValue + "\r\n", false);
     },
     ""},
    // A last half code unit is dropped, the lines before it are read.
    {"Utf16OfOddLength", [] { return Version5(kKey + "\r\n" + kValue + "\r\n") + "\""; }, "{Good}"},
    {"Utf16CutInsideAValue", [] { return Version5(kKey + "\r\n" + kValue).substr(0, 250); }, ""},
    {"SectionNeverClosed",
     [] {
       return Regedit4(
           {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb",
            kValue});
     },
     ""},
    {"LineOf10MB",
     [] {
       return Regedit4({"; " + std::string(10 << 20, 'x'), kKey, kValue});
     },
     "{Good}"},
    {"ValueOf10MB",
     [] {
       return Regedit4({kKey, "\"DefaultImport\"=\"" + std::string(10 << 20, 'x') + "\""});
     },
     ""},
    {"HundredThousandKeys", [] { return ManyKeys(100000); }, "{Good}"},
    // As on import, the later of two conflicting values wins.
    {"KeyRepeatedWithConflictingValues",
     [] {
       return Regedit4({kKey, "\"DefaultImport\"=\"{First}\"",
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]", "\"DefaultImport\"=\"{Other}\"",
                        kKey, "\"DefaultImport\"=\"{Second}\""});
     },
     "{Second}"},
    // A NUL byte leaves the line malformed: it is passed over.
    {"NulInsideALine",
     [] {
       return Regedit4({kKey, std::string("\"DefaultImport\"=\"{Go\0od}\"", 22)});
     },
     ""},
    {"NulInsideAName",
     [] {
       return Regedit4({kKey, std::string("\"Default\0Import\"=\"{Other}\"", 26), kValue});
     },
     "{Good}"},
};

class RegistryBadFiles : public TempDirTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(RegistryBadFiles, ReadWhatTheyHoldUpToWhereTheyBreak) {
  InstallRegistry(GetParam().contents(), folder_);
  EXPECT_EQ(GetFilterClsid(".mdb", "DefaultImport"), GetParam().clsid);
  EXPECT_EQ(GetFilterClsid(".cdb", "DefaultExport"), "");
}

INSTANTIATE_TEST_SUITE_P(RegistryFile, RegistryBadFiles, ::testing::ValuesIn(kBadFileCases),
                         [](const ::testing::TestParamInfo<BadFileCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
