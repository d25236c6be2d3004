// The lock of a device folder, so that runs sharing it never act between
// each other's steps: matching a name and taking it, making a folder, and
// removing the folders a failed run made. Its file is ".morvask.lock" in
// the device folder, made by the first run that needs it and removed by the
// last; both builds lock the same bytes of it, so that a Windows run under
// Wine and a Linux run keep each other out too.
//
// Byte 0 is the lock of the steps, held only while a step is taken. The
// device folder and each folder below it that a run uses have a byte of
// their own, which the run holds shared until it ends: a folder is removed
// only by a run that can hold its byte alone.
#pragma once

#include <cstdint>
#include <vector>

#include "folder_filter/file_system.h"

struct DeviceLock {
  FileHandle file = kNoFile;
  bool stepsHeld = false;
  std::vector<std::uint64_t> uses;  // the bytes of the folders this run uses
};

// Takes the lock of the steps in the device folder `root`, waiting for
// another run to let it go. ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND
// when the device folder itself was removed meanwhile: it is to be opened
// again.
std::uint32_t LockDeviceSteps(const HeldFolder& root, DeviceLock& lock);
void UnlockDeviceSteps(DeviceLock& lock);

// Marks the folder at the path (its names from the device root, as the
// folders hold them) as used by this run, until CloseDeviceLock.
void MarkFolderUsed(DeviceLock& lock, const std::vector<WideText>& path);

// Whether no other run uses the folder at the path, with the steps locked;
// this run's own mark of it is dropped.
bool IsFolderUnused(DeviceLock& lock, const std::vector<WideText>& path);

// Ends this run's use of the device: drops its marks and, when no other run
// uses the device, removes the lock file; then lets the lock go.
void CloseDeviceLock(const HeldFolder& root, DeviceLock& lock);
