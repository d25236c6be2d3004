// The status report: any 32-bit status has a text or none, and printing it
// is safe.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "transfer/status_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t code = 0;
  std::memcpy(&code, data, size < sizeof code ? size : sizeof code);
  const HRESULT status = static_cast<HRESULT>(code);
  const std::string text = DescribeTransferStatus(status);

  const std::string printed = TransferStatusText(status);
  // Without a system text, the report is the table's text.
  LPSTR systemText = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&systemText), 0, nullptr);
  if (systemText != nullptr) {
    LocalFree(systemText);
  } else if (printed != text) {
    __builtin_trap();
  }
  return 0;
}
