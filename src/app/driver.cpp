#include "app/driver.h"

#include <optional>

#include "app/command_line.h"
#include "app/usage.h"
#include "base/console.h"
#include "platform/arguments.h"
#include "platform/win32.h"
#include "transfer/status_report.h"
#include "transfer/transfer_run.h"

namespace {

// No message boxes for critical errors or files that cannot be opened: a
// search on an empty drive must simply fail, as a script expects.
void PrepareProcess() {
  const UINT mode = SetErrorMode(0);
  SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::optional<HRESULT> RunTransfer(const TransferRequest& request) {
  if (request.direction == TransferDirection::DesktopToDevice) return RunDesktopToDevice(request);
  return RunDeviceToDesktop(request);
}

}  // namespace

int RunMorvask(int argc, const char* const argv[]) {
  PrepareProcess();
  PrintBanner();
  if (argc < 2) {
    PrintUsage();
    WriteLineEnd(stdout);
    return 0;
  }
  const std::optional<TransferRequest> request =
      ParseCommandLine(argc, argv, ArgumentsAsTyped(argc, argv));
  if (!request) {
    PrintUsage();
    WriteLineEnd(stderr);
    return 1;
  }
  if (request->direction == TransferDirection::None) {
    WriteLine(stderr, "No mode was specified.  Use /D2P or /P2D.");
    return 0;
  }
  if (!request->notAsTyped.empty()) {
    WriteLine(stderr, "The name given with " + request->notAsTyped +
                          " cannot be used: this system's code page cannot hold it as typed.");
    return 0;
  }
  const std::optional<HRESULT> status = RunTransfer(*request);
  if (!status) return 0;
  ReportTransferStatus(*status);
  return 1;
}
