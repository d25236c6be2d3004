// Each registry file of the corpus read through the filter lookups, with
// what Windows answers after importing the same file (the Windows suites
// check the same files against Wine's registry). A file is named by what it
// shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "base/filter_keys.h"
#include "discovery/filter_registry.h"
#include "registry_file/readings.h"

namespace {

#define kG "{4D4F5256-0001-4153-4B00-46494C544552}"
#define kPath "C:\\filters\\import.dll"

struct CorpusCase {
  const char* file;
  const char* filterClass;  // of .mdb, DefaultImport
  const char* serverPath;   // the library registered for that class
};

const CorpusCase kCorpusCases[] = {
    {"abbreviated_root", "", ""},
    {"bracket_in_key_name", kG, kPath},
    {"classes_root_deletion", kG, ""},
    {"classes_root_server", kG, kPath},
    {"clsid_text_ending_in_backslash", kG "\\", kPath},
    {"comment_after_dword", "ABC", ""},
    {"comment_after_hex", kG, kPath},
    {"comment_after_string", kG, kPath},
    {"comment_at_line_start", kG, kPath},
    {"default_value_quoted_at", kG, ""},
    {"delete_key_then_readd", "{other}", ""},
    {"delete_key_then_readd_without_the_value", "", ""},
    {"delete_key_with_blank", kG, kPath},
    {"delete_root", kG, kPath},
    {"deletion_with_comment", "", ""},
    {"dword_blank_after_colon", "ABC", ""},
    {"dword_continued_with_backslash", "", ""},
    {"dword_upper_case", "", ""},
    {"empty_key_parts", kG, kPath},
    {"header_leading_blank", kG, kPath},
    {"header_trailing_blank", "", ""},
    {"header_version5_trailing_blank", "", ""},
    {"header_version5_utf8_bom", "", ""},
    {"hex1_100_bytes_without_nul", kG, ""},
    {"hex1_99_bytes_without_nul", kG,
     "C:\\filters\\"
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.dll"},
    {"hex1_in_version5_8bit_file", kG, kPath},
    {"hex_blank_after_comma", kG, kPath},
    {"hex_blank_before_comma", "", ""},
    {"hex_byte_with_0x", kG, kPath},
    {"hex_byte_with_three_digits", kG, kPath},
    {"hex_continued_backslash_then_comment", kG, kPath},
    {"hex_continued_into_section", kG, ""},
    {"hex_continued_into_value", "", ""},
    {"hex_continued_over_blank_line", kG, kPath},
    {"hex_continued_over_comment_line", kG, kPath},
    {"hex_continued_plain", kG, kPath},
    {"hex_continued_swallows_a_header", kG, kPath},
    {"hex_continued_with_comment_into_section", kG, ""},
    {"hex_type_0x100", kG, kPath},
    {"hex_type_empty_number", kG, kPath},
    {"hex_type_upper_case", "", ""},
    {"hex_upper_case_digits", kG, kPath},
    {"indented_section_header", kG, kPath},
    {"keys_in_other_letter_case", kG, kPath},
    {"lf_line_ends", kG, kPath},
    {"lone_cr_line_ends", kG, kPath},
    {"newline_escape_in_string", kG "\n", ""},
    {"nul_byte_ends_a_line", "", ""},
    {"plain_regedit4", kG, kPath},
    {"plain_version5_8bit", kG, kPath},
    {"repeated_key_later_value_wins", "{later}", ""},
    {"section_with_blank_after_bracket_open", "", ""},
    {"section_with_comment_after_bracket", kG, kPath},
    {"section_with_text_after_bracket", kG, kPath},
    {"separator_doubled_after_classes_root", kG, ""},
    {"separator_doubled_after_classes_root_deletion", kG, kPath},
    {"separator_doubled_after_root", "", ""},
    {"separator_doubled_after_root_deletion", kG, kPath},
    {"string_continued_with_backslash", "", ""},
    {"string_trailing_garbage", "", ""},
    {"string_with_nul_escape", "", ""},
    {"unknown_escape_in_name", kG, kPath},
    {"unknown_escape_in_string", kG, kPath},
    {"utf16_comment_after_string", kG, kPath},
    {"utf16_hex1_as_utf16", kG, kPath},
    {"utf16_hex1_without_nul", kG, kPath},
    {"utf16_key_in_other_letter_case_beyond_ascii", "{Filtre-\xC3\xA9}", kPath},
    {"utf16_key_letter_the_registry_keeps_apart", "{Filtre-\xC2\xB5}", ""},
    {"utf16_keys_last", kG, kPath},
    {"utf16_version5", kG, kPath},
    {"value_after_broken_header", kG, kPath},
    {"value_before_any_section", "", ""},
    {"value_name_blank_before_equals", kG, kPath},
};

class RegistryCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(RegistryCorpus, AnswersAsWindowsDoes) {
  const CorpusCase& expected = GetParam();
  setenv("MORVASK_REGISTRY", (std::string(MORVASK_REG_CORPUS "/") + expected.file + ".reg").c_str(),
         1);
  const std::string filterClass = GetFilterClsid(".mdb", "DefaultImport");
  EXPECT_EQ(filterClass, expected.filterClass);
  if (!filterClass.empty()) {
    EXPECT_EQ(GetFilterServerPath(filterClass), expected.serverPath);
  }
  unsetenv("MORVASK_REGISTRY");
}

// Passing over the sections of other keys changes nothing a lookup of any
// key the file names finds.
TEST_P(RegistryCorpus, ReadsAlikeWhenPassingOverSections) {
  std::ifstream file(std::string(MORVASK_REG_CORPUS "/") + GetParam().file + ".reg",
                     std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  for (const std::string& focus : KeysNamedIn(contents.str(), 50)) {
    EXPECT_EQ(RecordRegScan(contents.str(), focus, true),
              RecordRegScan(contents.str(), focus, false))
        << "key " << focus;
  }
}

// A search from the end answers as a reading from the start, for every key
// and value the file names, whether the file is read back in one stretch or
// in many, and with sections of other keys before, between and after its
// own lines.
TEST_P(RegistryCorpus, AnswersAlikeSearchedFromTheEnd) {
  std::ifstream file(std::string(MORVASK_REG_CORPUS "/") + GetParam().file + ".reg",
                     std::ios::binary);
  std::ostringstream read;
  read << file.rdbuf();
  const std::string original = read.str();
  std::string filler;
  for (int i = 0; i < 40; ++i) {
    filler += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Filler\\Key" + std::to_string(i) +
              "]\r\n\"Value\"=\"" + std::string(i % 7 * 10, 'x') + "\"\r\n";
  }
  std::vector<std::string> contents{original};
  // Filler after the header line and after every blank line of the file.
  std::string padded;
  for (std::size_t at = 0; at < original.size();) {
    const std::size_t end = original.find('\n', at);
    const std::size_t next = end == std::string::npos ? original.size() : end + 1;
    padded += original.substr(at, next - at);
    if (at == 0 || original.substr(at, next - at) == "\r\n") padded += filler;
    at = next;
  }
  contents.push_back(padded);
  for (const std::string& text : contents) {
    const std::vector<std::string> names = ValueNamesIn(text, 20);
    for (const std::string& key : KeysNamedIn(text, 30)) {
      const std::string fromStart = RecordRegKey(text, key, names, 0);
      for (std::size_t stretch : {64, 200, 1 << 16}) {
        const std::string fromEnd = RecordRegKey(text, key, names, stretch);
        if (fromEnd.rfind("unsure", 0) == 0) continue;
        EXPECT_EQ(fromEnd, fromStart) << "key " << key << ", stretches of " << stretch
                                      << (text.size() > original.size() ? ", padded" : "");
      }
    }
  }
}

// Notes of the file as it was are not taken once it changed: the class
// section that a rewrite puts where the notes saw none is found.
TEST(RegistryNotes, AreNotTakenOnceTheFileChanged) {
  std::string filler;
  for (int i = 0; i < 100; ++i) {
    filler += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Filler\\Key" + std::to_string(i) + "]\r\n\r\n";
  }
  const std::string key = "SOFTWARE\\Classes\\CLSID\\" kG "\\InProcServer32";
  const std::string before = "REGEDIT4\r\n\r\n" + filler +
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classez" + key.substr(16) +
                             "]\r\n@=\"x\"\r\n\r\n" + filler;
  const std::string after = "REGEDIT4\r\n\r\n" + filler + "[HKEY_LOCAL_MACHINE\\" + key +
                            "]\r\n@=\"x\"\r\n\r\n" + filler + "\r\n";
  EXPECT_EQ(RecordRegKey(after, key, {""}, 64, &before), RecordRegKey(after, key, {""}, 0));
}

// The registry an install writes names the folder filter for both
// directions with the keys and values the program reads.
TEST(InstalledRegistry, NamesTheFolderFilterForBothDirections) {
  std::ifstream in(MORVASK_REGISTRY_TEMPLATE, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  text.replace(text.find("@MORVASK_FILTER_PATH@"), 21, "/filter.so");
  const std::string path = ::testing::TempDir() + "installed.reg";
  std::ofstream(path, std::ios::binary) << text;
  setenv("MORVASK_REGISTRY", path.c_str(), 1);
  EXPECT_EQ(GetFilterClsid(".mdb", kDesktopToDeviceValue), kFolderFilterClsid);
  EXPECT_EQ(GetFilterClsid(".cdb", kDeviceToDesktopValue), kFolderFilterClsid);
  EXPECT_EQ(GetFilterServerPath(kFolderFilterClsid), "/filter.so");
  unsetenv("MORVASK_REGISTRY");
}

std::string CaseName(const ::testing::TestParamInfo<CorpusCase>& info) { return info.param.file; }

INSTANTIATE_TEST_SUITE_P(RegistryFile, RegistryCorpus, ::testing::ValuesIn(kCorpusCases), CaseName);

}  // namespace
