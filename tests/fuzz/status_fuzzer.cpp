// The status report, against the tests' own list of the texts each code
// must print when the system has none: every code the list holds has
// exactly its text, every other code none, and a code with a text is never
// reported as an empty line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "transfer/status_report.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Lines read "0x800A0F10 [text]", with \t for a tab.
std::map<std::uint32_t, std::string> LoadExpectedTexts() {
  std::map<std::uint32_t, std::string> texts;
  std::ifstream file(MORVASK_STATUS_TEXTS, std::ios::binary);
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("0x", 0) != 0) continue;
    const std::size_t open = line.find('[');
    std::string text = line.substr(open + 1, line.rfind(']') - open - 1);
    for (std::size_t tab; (tab = text.find("\\t")) != std::string::npos;)
      text.replace(tab, 2, "\t");
    texts[static_cast<std::uint32_t>(std::stoul(line.substr(0, open), nullptr, 16))] = text;
  }
  return texts;
}

const std::map<std::uint32_t, std::string>& ExpectedTexts() {
  static const std::map<std::uint32_t, std::string> texts = LoadExpectedTexts();
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Check(ExpectedTexts().size() == 233);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t code = 0;
  std::memcpy(&code, data, size < sizeof code ? size : sizeof code);
  const HRESULT status = static_cast<HRESULT>(code);
  const auto expected = ExpectedTexts().find(code);
  const std::string text = DescribeTransferStatus(status);
  Check(expected == ExpectedTexts().end() ? text.empty() : text == expected->second);
  if (!text.empty()) Check(!TransferStatusText(status).empty());
  return 0;
}
