// The lock of a device folder, so that runs sharing it never act between
// each other's steps: matching a name and taking it, making a folder, and
// removing the folders a failed run made. Its file lies outside the device
// folder (OpenDeviceLockFile); both builds lock the same bytes of it, so
// that a Windows run under Wine and a Linux run keep each other out too.
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
// another run to let it go; ERROR_OPERATION_ABORTED when the run is asked
// to stop meanwhile.
std::uint32_t LockDeviceSteps(const HeldFolder& root, DeviceLock& lock);
void UnlockDeviceSteps(DeviceLock& lock);

// Marks the folder at the path (its names from the device root, as the
// folders hold them) as used by this run, until CloseDeviceLock.
void MarkFolderUsed(DeviceLock& lock, const std::vector<WideText>& path);

// Whether no other run uses the folder at the path, with the steps locked;
// this run's own mark of it is dropped.
bool IsFolderUnused(DeviceLock& lock, const std::vector<WideText>& path);

// Ends this run's use of the device: lets go of its marks and the lock.
void CloseDeviceLock(DeviceLock& lock);
