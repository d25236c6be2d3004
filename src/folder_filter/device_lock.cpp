#include "folder_filter/device_lock.h"

#include <algorithm>

#include "folder_filter/copy_hold.h"
#include "folder_filter/copy_name.h"
#include "platform/win32.h"

namespace {

constexpr std::uint64_t kStepsByte = 0;
constexpr std::uint64_t kFirstUseByte = 1;
constexpr std::uint64_t kUseBytes = 1u << 30;

// The byte of the folder at the path: the same on every build, from the
// names as a device compares them. Two folders may share a byte, which only
// keeps a folder a while longer.
std::uint64_t UseByte(const std::vector<WideText>& path) {
  std::uint32_t hash = 2166136261u;  // FNV-1a over the UTF-16 units
  for (const WideText& name : path) {
    for (const WCHAR unit : UpperCaseText(name) + WCHAR('\\')) {
      hash = (hash ^ static_cast<std::uint16_t>(unit)) * 16777619u;
    }
  }
  return kFirstUseByte + hash % kUseBytes;
}

}  // namespace

std::uint32_t LockDeviceSteps(const HeldFolder& root, DeviceLock& lock) {
  std::uint32_t error = 0;
  if (lock.file == kNoFile) error = OpenDeviceLockFile(root, lock.file);
  if (error == 0 && LockBytes(lock.file, kStepsByte, 1, true, false) != 0) {
    TellTestIfAsked("waiting");  // for another run's steps
    error = LockBytes(lock.file, kStepsByte, 1, true, true);
  }
  lock.stepsHeld = error == 0;
  return error;
}

void UnlockDeviceSteps(DeviceLock& lock) {
  if (!lock.stepsHeld) return;
  UnlockBytes(lock.file, kStepsByte, 1);
  lock.stepsHeld = false;
}

void MarkFolderUsed(DeviceLock& lock, const std::vector<WideText>& path) {
  if (lock.file == kNoFile) return;
  const std::uint64_t byte = UseByte(path);
  if (std::find(lock.uses.begin(), lock.uses.end(), byte) != lock.uses.end()) return;
  if (LockBytes(lock.file, byte, 1, false, true) == 0) lock.uses.push_back(byte);
}

bool IsFolderUnused(DeviceLock& lock, const std::vector<WideText>& path) {
  const std::uint64_t byte = UseByte(path);
  const auto own = std::find(lock.uses.begin(), lock.uses.end(), byte);
  if (own != lock.uses.end()) {
    UnlockBytes(lock.file, byte, 1);
    lock.uses.erase(own);
  }
  if (LockBytes(lock.file, byte, 1, true, false) != 0) return false;
  UnlockBytes(lock.file, byte, 1);
  return true;
}

void CloseDeviceLock(DeviceLock& lock) {
  if (lock.file == kNoFile) return;
  // Closing lets go of every byte this run holds.
  CloseFile(lock.file);
  lock.file = kNoFile;
  lock.stepsHeld = false;
  lock.uses.clear();
}
