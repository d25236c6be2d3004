// The path helpers of the program and of the folder filter, on any bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/path.h"
#include "folder_filter/device_path.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  std::string drive, directory, extension;
  SplitPath(path, drive, directory, extension);
  Check(drive.size() <= 2 && directory.size() <= 255 && extension.size() <= 255);
  const std::string pathExtension = GetPathExtension(path);
  Check(pathExtension.empty() || pathExtension[0] == '.');

  const DevicePath devicePath = SplitDevicePath(path);
  // Whatever the device path, each name stays below the device folder, and
  // a refused path has no names.
  Check(devicePath.refusal == 0 ? !devicePath.names.empty() : devicePath.names.empty());
  for (const WideText& name : devicePath.names) {
    Check(!name.empty() && name != u".." && name.size() <= 255 &&
          name.find(u':') == WideText::npos && name.find(u'/') == WideText::npos &&
          name.find(u'\\') == WideText::npos);
  }
  const std::string defaultPath = DefaultDevicePath(path);
  Check(defaultPath.size() >= 5 && defaultPath[0] == '\\');
  return 0;
}
