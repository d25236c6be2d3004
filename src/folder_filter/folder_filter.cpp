// The folder filter: a database filter that stands in for a device by a
// folder of this computer, so that transfers can be tried without a device.
// It copies whole files and converts nothing, so it refuses a table list
// (0x80004001, not implemented) rather than ignore it; the sync flag is
// accepted and changes nothing.
#include <cstdint>
#include <string>

#include "base/filter_keys.h"
#include "base/status.h"
#include "folder_filter/device_path.h"
#include "folder_filter/file_copy.h"
#include "folder_filter/file_system.h"
#include "morvask/filter.h"
#include "platform/win32.h"

namespace {

enum class Direction { kDesktopToDevice, kDeviceToDesktop };

std::int32_t Status(std::uint32_t status) { return static_cast<std::int32_t>(status); }

std::int32_t StatusOf(const CopyOutcome& outcome) {
  switch (outcome.kind) {
    case CopyOutcome::kCopied: return 0;
    case CopyOutcome::kSourceMissing: return Status(kDatabaseDoesNotExist);
    case CopyOutcome::kDestinationExists: return Status(kDatabaseAlreadyExists);
    case CopyOutcome::kFailed: break;
  }
  return StatusFromSystemError(outcome.systemError);
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// MORVASK_DEVICE_DIR when it is set, else the user's data folder for the
// device. A value the system cannot use is an error, never a reason to go
// elsewhere.
std::uint32_t FindDeviceFolder(WideText& folder) {
  folder = EnvironmentText("MORVASK_DEVICE_DIR");
  return folder.empty() ? DefaultDeviceFolder(folder) : 0;
}

std::int32_t Transfer(Direction direction, const std::string& desktopFile,
                      const std::string& tableList, bool allowOverwrite,
                      const std::string& deviceFile) {
  if (!tableList.empty()) return E_NOTIMPL;
  if (desktopFile.empty()) return StatusFromSystemError(ERROR_INVALID_PARAMETER);
  WideText deviceFolder;
  const std::uint32_t error = FindDeviceFolder(deviceFolder);
  if (error != 0) return StatusFromSystemError(error);
  const DevicePath devicePath =
      SplitDevicePath(deviceFile.empty() ? DefaultDevicePath(desktopFile) : deviceFile);
  // A path a device cannot hold is refused before anything is read.
  if (devicePath.refusal != 0) return StatusFromSystemError(devicePath.refusal);

  FilePlace device;
  device.root = deviceFolder;
  device.names = devicePath.names;
  device.device = true;
  device.makeFolders = direction == Direction::kDesktopToDevice;
  const FilePlace desktop = DesktopPlace(desktopFile);
  if (direction == Direction::kDesktopToDevice) {
    return StatusOf(CopyWholeFile(desktop, device, allowOverwrite));
  }
  return StatusOf(CopyWholeFile(device, desktop, allowOverwrite));
}

}  // namespace

MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DESKTOPTODEVICE(const char* desktopFile,
                                                                        const char* tableList,
                                                                        MorvaskInt32,
                                                                        MorvaskInt32 allowOverwrite,
                                                                        const char* deviceFile) {
  return Transfer(Direction::kDesktopToDevice, Text(desktopFile), Text(tableList),
                  allowOverwrite != 0, Text(deviceFile));
}

MORVASK_FILTER_EXPORT MorvaskResult MORVASK_FILTER_CALL DEVICETODESKTOP(const char* desktopFile,
                                                                        const char* tableList,
                                                                        MorvaskInt32,
                                                                        MorvaskInt32 allowOverwrite,
                                                                        const char* deviceFile) {
  return Transfer(Direction::kDeviceToDesktop, Text(desktopFile), Text(tableList),
                  allowOverwrite != 0, Text(deviceFile));
}
