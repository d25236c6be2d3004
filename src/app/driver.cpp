#include "app/driver.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

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

// What a run came to. By default the exit status tells only whether a
// status line was printed (or the usage text asked for with "/?"); with
// MORVASK_EXIT_STATUS=outcome it tells a script what became of the copy.
enum class Outcome {
  NotAttempted,     // 2: no transfer was tried
  FilterSucceeded,  // 0: the filter was called and returned 0
  TransferFailed,   // 1: a transfer ended with any other status
};

int ExitStatus(int usual, Outcome outcome) {
  const char* asked = std::getenv("MORVASK_EXIT_STATUS");
  if (asked == nullptr || std::strcmp(asked, "outcome") != 0) return usual;
  if (outcome == Outcome::FilterSucceeded) return 0;
  return outcome == Outcome::TransferFailed ? 1 : 2;
}

}  // namespace

int RunMorvask(int argc, const char* const argv[]) {
  PrepareProcess();
  PrintBanner();
  std::vector<bool> asTyped;
  const std::vector<std::string> arguments = ArgumentsToRead(argc, argv, asTyped);
  std::vector<const char*> words;
  for (const std::string& argument : arguments) words.push_back(argument.c_str());
  if (words.size() < 2) {
    PrintUsage();
    WriteLineEnd(stdout);
    return ExitStatus(0, Outcome::NotAttempted);
  }
  const std::optional<TransferRequest> request =
      ParseCommandLine(static_cast<int>(words.size()), words.data(), asTyped);
  if (!request) {
    PrintUsage();
    WriteLineEnd(stderr);
    return ExitStatus(1, Outcome::NotAttempted);
  }
  if (request->direction == TransferDirection::None) {
    WriteLine(stderr, "No mode was specified.  Use /D2P or /P2D.");
    return ExitStatus(0, Outcome::NotAttempted);
  }
  if (!request->notAsTyped.empty()) {
    WriteLine(stderr, "The name given with " + request->notAsTyped +
                          " cannot be used: this system's code page cannot hold it as typed.");
    return ExitStatus(0, Outcome::NotAttempted);
  }
  const std::optional<HRESULT> status = RunTransfer(*request);
  if (!status) return ExitStatus(0, Outcome::NotAttempted);
  ReportTransferStatus(*status);
  // A library that did not load or lacks the export comes back as a failure
  // status, never 0: only the filter itself can report success.
  return ExitStatus(1, *status == 0 ? Outcome::FilterSucceeded : Outcome::TransferFailed);
}
