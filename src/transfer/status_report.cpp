#include "transfer/status_report.h"

#include "base/console.h"
#include "transfer/filter_trace.h"

namespace {

constexpr DWORD kSystemMessageFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;

// The system's message text for the code, in the language it chooses, or
// empty. Its buffer is released before anything is printed.
std::string SystemMessageText(HRESULT status) {
  LPSTR buffer = nullptr;
  FormatMessageA(kSystemMessageFlags, nullptr, static_cast<DWORD>(status), 0,
                 reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  if (buffer == nullptr) return std::string();
  std::string text = buffer;
  LocalFree(buffer);
  return text;
}

}  // namespace

std::string TransferStatusText(HRESULT status) {
  std::string text = SystemMessageText(status);
  if (!text.empty()) {
    TraceStatus(status, "the system's (FormatMessageA)");
    return text;
  }
  text = DescribeTransferStatus(status);
  TraceStatus(status, text.empty() ? nullptr : "the program's own table's");
  return text;
}

void ReportTransferStatus(HRESULT status) { WriteLine(stdout, TransferStatusText(status)); }
