// The folder filter: a database filter that stands in for a device by a
// folder of this computer, so that transfers can be tried without a device.
// It copies whole files and converts nothing, so it refuses a table list
// (0x80004001, not implemented) rather than ignore it; the sync flag is
// accepted and changes nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "folder_filter/device_path.h"
#include "folder_filter/file_copy.h"
#include "folder_filter/file_system.h"
#include "morvask/filter.h"
#include "platform/win32.h"

namespace {

constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kDatabaseDoesNotExist = 0x800A0F0Bu;
constexpr std::uint32_t kDatabaseAlreadyExists = 0x800A0F0Cu;

enum class Direction { kDesktopToDevice, kDeviceToDesktop };

std::int32_t Status(std::uint32_t status) { return static_cast<std::int32_t>(status); }

std::int32_t StatusOf(const CopyOutcome& outcome) {
  switch (outcome.kind) {
    case CopyOutcome::kCopied: return Status(kSuccess);
    case CopyOutcome::kSourceMissing: return Status(kDatabaseDoesNotExist);
    case CopyOutcome::kDestinationExists: return Status(kDatabaseAlreadyExists);
    case CopyOutcome::kFailed: break;
  }
  return StatusFromSystemError(outcome.systemError);
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::int32_t Transfer(Direction direction, const std::string& desktopFile,
                      const std::string& tableList, bool allowOverwrite,
                      const std::string& deviceFile) {
  if (!tableList.empty()) return E_NOTIMPL;
  if (desktopFile.empty()) return StatusFromSystemError(ERROR_INVALID_PARAMETER);
  const std::string deviceFolder = DeviceFolder();
  if (deviceFolder.empty()) return StatusFromSystemError(ERROR_PATH_NOT_FOUND);
  const std::string devicePath = deviceFile.empty() ? DefaultDevicePath(desktopFile) : deviceFile;
  const std::optional<std::vector<std::string>> deviceNames = SplitDevicePath(devicePath);
  // A path that leaves the device folder is refused before anything is read.
  if (!deviceNames) return StatusFromSystemError(ERROR_ACCESS_DENIED);

  FilePlace device;
  device.root = deviceFolder;
  device.names = *deviceNames;
  device.confined = true;
  device.createFolders = direction == Direction::kDesktopToDevice;
  FilePlace desktop = DesktopPlace(desktopFile);
  if (direction == Direction::kDesktopToDevice) {
    return StatusOf(CopyWholeFile(desktop, device, allowOverwrite));
  }
  return StatusOf(CopyWholeFile(device, desktop, allowOverwrite));
}

}  // namespace

extern "C" {

int32_t MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile, const char* tableList, int32_t,
                                            int32_t allowOverwrite, const char* deviceFile) {
  return Transfer(Direction::kDesktopToDevice, Text(desktopFile), Text(tableList),
                  allowOverwrite != 0, Text(deviceFile));
}

int32_t MORVASK_FILTER_CALL DEVICETODESKTOP(const char* desktopFile, const char* tableList, int32_t,
                                            int32_t allowOverwrite, const char* deviceFile) {
  return Transfer(Direction::kDeviceToDesktop, Text(desktopFile), Text(tableList),
                  allowOverwrite != 0, Text(deviceFile));
}

}  // extern "C"
