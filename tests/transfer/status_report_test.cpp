// The report, driven by the tests' own copy of the expected texts. Where the
// system has a text for a code, the system's text is expected instead.
#include "transfer/status_report.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

struct ExpectedText {
  std::uint32_t code;
  std::string text;
};

// Lines read "0x800A0F10 [text]", with \t for a tab.
std::vector<ExpectedText> LoadExpectedTexts() {
  std::vector<ExpectedText> texts;
  std::ifstream file(MORVASK_STATUS_TEXTS, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("0x", 0) != 0) continue;
    const std::size_t open = line.find('[');
    std::string text = line.substr(open + 1, line.rfind(']') - open - 1);
    for (std::size_t tab; (tab = text.find("\\t")) != std::string::npos;)
      text.replace(tab, 2, "\t");
    texts.push_back(
        {static_cast<std::uint32_t>(std::stoul(line.substr(0, open), nullptr, 16)), text});
  }
  return texts;
}

std::string SystemText(std::uint32_t code) {
  LPSTR buffer = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  if (buffer == nullptr) return std::string();
  std::string text = buffer;
  LocalFree(buffer);
  return text;
}

class StatusTextCases : public ::testing::TestWithParam<ExpectedText> {};

TEST_P(StatusTextCases, IsPrintedExactly) {
  const ExpectedText& expected = GetParam();
  EXPECT_EQ(DescribeTransferStatus(static_cast<HRESULT>(expected.code)), expected.text);
  const std::string system = SystemText(expected.code);
  EXPECT_EQ(TransferStatusText(static_cast<HRESULT>(expected.code)),
            system.empty() ? expected.text : system);
}

std::string CodeName(const ::testing::TestParamInfo<ExpectedText>& info) {
  char name[16];
  std::snprintf(name, sizeof name, "x%08X", info.param.code);
  return name;
}

INSTANTIATE_TEST_SUITE_P(StatusTable, StatusTextCases, ::testing::ValuesIn(LoadExpectedTexts()),
                         CodeName);

TEST(DescribeTransferStatus, KnowsExactlyTheListedCodes) {
  const std::vector<ExpectedText> texts = LoadExpectedTexts();
  ASSERT_EQ(texts.size(), 233u);
  auto listed = [&](std::uint32_t code) {
    for (const ExpectedText& entry : texts) {
      if (entry.code == code) return true;
    }
    return false;
  };
  // Every neighbour of a listed code, and the code with its top bit
  // cleared, is unknown unless listed itself: matching is on all 32 bits.
  for (const ExpectedText& entry : texts) {
    for (std::uint32_t other : {entry.code - 1, entry.code + 1, entry.code & 0x7FFFFFFFu}) {
      if (!listed(other)) {
        EXPECT_EQ(DescribeTransferStatus(static_cast<HRESULT>(other)), "") << std::hex << other;
      }
    }
  }
  EXPECT_EQ(DescribeTransferStatus(0), "");
}

TEST(TransferStatusText, IsTheSystemTextWhenThereIsOne) {
  const std::string success = SystemText(0);
  ASSERT_FALSE(success.empty());
  EXPECT_EQ(TransferStatusText(0), success);
  const std::string notFound = SystemText(0x80070002u);
  ASSERT_FALSE(notFound.empty());
  EXPECT_EQ(TransferStatusText(static_cast<HRESULT>(0x80070002u)), notFound);
}

TEST(TransferStatusText, IsEmptyForAnUnknownCode) {
  for (std::uint32_t code : {0x00040E14u, 0x8007FFFFu, 0x12345678u}) {
    if (!SystemText(code).empty()) continue;
    EXPECT_EQ(TransferStatusText(static_cast<HRESULT>(code)), "") << std::hex << code;
  }
}

}  // namespace
