// The folder filter's file operations, one implementation per platform.
// Errors are Windows system error codes on every platform.
#pragma once

#include <cstdint>
#include <string>

// The separator of this computer's paths.
extern const char kHostSeparator;

// The folder that stands in for the device: MORVASK_DEVICE_DIR when it is
// set, else a folder of the user's data folder. Empty when neither can be
// found.
std::string DeviceFolder();

struct CopyOutcome {
  enum Kind { kCopied, kSourceMissing, kDestinationExists, kFailed };
  Kind kind;
  std::uint32_t systemError;  // for kFailed
};

// Copies the whole file, byte for byte. The copy is written to a new file
// beside the destination and renamed over it only when complete, so a
// failed copy leaves nothing behind and the destination as it was. Without
// `allowOverwrite` an existing destination is never replaced. With
// `createFolders` the destination's missing folders are made first.
CopyOutcome CopyWholeFile(const std::string& source, const std::string& destination,
                          bool allowOverwrite, bool createFolders);
