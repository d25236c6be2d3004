#include "transfer/transfer_run.h"

#include <cstdint>
#include <string>

#include "base/ascii.h"
#include "base/console.h"
#include "base/filter_keys.h"
#include "base/status.h"
#include "discovery/filter_registry.h"
#include "discovery/path.h"
#include "morvask/filter.h"
#include "platform/filter_call.h"
#include "transfer/filter_trace.h"

namespace {

// What differs between the two directions.
struct RunTexts {
  const char* filterValue;
  const char* exportName;
  const char* title;
  const char* sourceLabel;
  const char* destinationLabel;
};

const RunTexts kDesktopToDevice = {
    kDesktopToDeviceValue,        MORVASK_DESKTOP_TO_DEVICE_EXPORT, "[Desktop to Device]",
    "Source Desktop File     : ", "Destination Device File : ",
};

const RunTexts kDeviceToDesktop = {
    kDeviceToDesktopValue,       MORVASK_DEVICE_TO_DESKTOP_EXPORT, "[Device to Desktop]",
    "Source Device File     : ", "Destination Device File: ",
};

std::nullopt_t StopWith(const std::string& message) {
  WriteLine(stderr, message);
  return std::nullopt;
}

// The filter library registered for the extension, or empty after printing
// why there is none to load.
std::string FindFilterLibrary(const std::string& extension, const char* filterValue) {
  TraceRegistry();
  const std::string clsid = GetFilterClsid(extension, filterValue);
  if (clsid.empty()) {
    WriteLine(stderr, "Unable to locate filter for " + extension);
    return std::string();
  }
  const std::string serverPath = GetFilterServerPath(clsid);
  if (serverPath.empty()) {
    WriteLine(stderr, "Unable to locate filter for " + extension + "  Guid: " + clsid);
    return std::string();
  }
  TraceLibraryPath(serverPath);
  if (!FileExists(serverPath)) {
    TraceMissingLibrary(serverPath, GetLastError());
    WriteLine(stderr, "Unable to locate filter dll: " + serverPath);
    return std::string();
  }
  return serverPath;
}

void PrintHeader(const RunTexts& texts, const std::string& source, const std::string& destination) {
  WriteLine(stderr, texts.title);
  WriteLine(stderr, texts.sourceLabel + source);
  WriteLine(stderr, texts.destinationLabel + destination);
  WriteLineEnd(stderr);
}

FilterTransferProc FindTransferExport(HMODULE library, const char* exportName) {
  const FARPROC address = GetProcAddress(library, exportName);
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<FilterTransferProc>(reinterpret_cast<void (*)()>(address));
}

HRESULT CallTransferExport(HMODULE library, const char* exportName,
                           const TransferRequest& request) {
  const FilterTransferProc transfer = FindTransferExport(library, exportName);
  const DWORD error = transfer == nullptr ? GetLastError() : 0;
  TraceExport(library, exportName, transfer != nullptr);
  if (transfer == nullptr) return StatusFromSystemError(error);
  std::uint32_t bytesLeft = 0;
  const HRESULT status =
      CallFilterExport(transfer, request.desktopFile.c_str(), request.tableList.c_str(),
                       request.syncTables != 0 ? 1 : 0, request.allowOverwrite != 0 ? 1 : 0,
                       request.deviceFile.c_str(), bytesLeft);
  TraceArgumentsLeft(exportName, bytesLeft);
  return status;
}

HRESULT RunFilterLibrary(const std::string& serverPath, const RunTexts& texts,
                         const TransferRequest& request, const std::string& source,
                         const std::string& destination) {
  const HMODULE library = LoadLibraryA(serverPath.c_str());
  const DWORD loadError = library == nullptr ? GetLastError() : 0;
  PrintHeader(texts, source, destination);
  if (library == nullptr) {
    WriteLine(stderr, "Unable to load filter dll: " + serverPath);
    TraceLoadFailure(serverPath, loadError);
    return StatusFromSystemError(loadError);
  }
  const HRESULT status = CallTransferExport(library, texts.exportName, request);
  FreeLibrary(library);
  return status;
}

}  // namespace

std::optional<HRESULT> RunDesktopToDevice(const TransferRequest& request) {
  if (request.desktopFile.empty())
    return StopWith("Source Desktop file must be specified with /D.");
  const std::string extension = ToLowerAscii(GetPathExtension(request.desktopFile));
  if (extension != ".mdb") return StopWith("Source file must be a .mdb file with /D2P.");
  if (!FileExists(request.desktopFile)) {
    return StopWith("Unable to locate source desktop file: " + request.desktopFile);
  }
  const std::string serverPath = FindFilterLibrary(extension, kDesktopToDevice.filterValue);
  if (serverPath.empty()) return std::nullopt;
  return RunFilterLibrary(serverPath, kDesktopToDevice, request, request.desktopFile,
                          request.deviceFile);
}

std::optional<HRESULT> RunDeviceToDesktop(const TransferRequest& request) {
  std::string extension = ".cdb";
  if (!request.deviceFile.empty()) {
    extension = GetPathExtension(request.deviceFile);
    if (!EqualsIgnoringAsciiCase(extension, ".cdb")) {
      return StopWith("Source file must be a .cdb file with /P2D.");
    }
  }
  if (request.desktopFile.empty()) {
    return StopWith("Destination Desktop file must be specified with /D.");
  }
  const std::string serverPath = FindFilterLibrary(extension, kDeviceToDesktop.filterValue);
  if (serverPath.empty()) return std::nullopt;
  return RunFilterLibrary(serverPath, kDeviceToDesktop, request, request.deviceFile,
                          request.desktopFile);
}
