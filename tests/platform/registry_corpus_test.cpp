// Each registry file of the corpus read through the filter lookups, with
// what Windows answers after importing the same file (the Windows suites
// check the same files against Wine's registry). A file is named by what it
// shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "discovery/filter_registry.h"

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
    {"hex_continued_into_section", kG, "C:\\filters\\second.dll"},
    {"hex_continued_into_value", "", ""},
    {"hex_continued_over_blank_line", kG, kPath},
    {"hex_continued_over_comment_line", kG, kPath},
    {"hex_continued_plain", kG, kPath},
    {"hex_type_0x100", kG, kPath},
    {"hex_type_empty_number", kG, kPath},
    {"hex_type_upper_case", "", ""},
    {"hex_upper_case_digits", kG, kPath},
    {"indented_section_header", kG, kPath},
    {"keys_in_other_letter_case", kG, kPath},
    {"lf_line_ends", kG, kPath},
    {"lone_cr_line_ends", kG, kPath},
    {"newline_escape_in_string", kG "\n", ""},
    {"plain_regedit4", kG, kPath},
    {"plain_version5_8bit", kG, kPath},
    {"repeated_key_later_value_wins", "{later}", ""},
    {"section_with_blank_after_bracket_open", "", ""},
    {"section_with_comment_after_bracket", kG, kPath},
    {"section_with_text_after_bracket", kG, kPath},
    {"string_continued_with_backslash", "", ""},
    {"string_trailing_garbage", "", ""},
    {"string_with_nul_escape", "", ""},
    {"unknown_escape_in_name", kG, kPath},
    {"unknown_escape_in_string", kG, kPath},
    {"utf16_comment_after_string", kG, kPath},
    {"utf16_hex1_as_utf16", kG, kPath},
    {"utf16_hex1_without_nul", kG, kPath},
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

std::string CaseName(const ::testing::TestParamInfo<CorpusCase>& info) { return info.param.file; }

INSTANTIATE_TEST_SUITE_P(RegistryFile, RegistryCorpus, ::testing::ValuesIn(kCorpusCases), CaseName);

}  // namespace
