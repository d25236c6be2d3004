#include "folder_filter/device_lock.h"

#include <algorithm>

#include "folder_filter/copy_name.h"
#include "platform/win32.h"

namespace {

constexpr std::uint64_t kStepsByte = 0;
constexpr std::uint64_t kFirstUseByte = 1;
constexpr std::uint64_t kUseBytes = 1u << 30;

// A run that finds the lock file being removed by another tries again; a
// lock file it cannot open for another reason ends the wait.
constexpr int kTries = 200;

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

void LetGo(const HeldFolder& root, DeviceLock& lock, bool remove) {
  CloseLockFile(root, WideFromAscii(kLockFileName), lock.file, remove);
  lock.file = kNoFile;
  lock.stepsHeld = false;
  lock.uses.clear();
}

// Opens the lock file and takes the steps; false with `error` 0 when it
// was removed meanwhile, and is to be opened again.
bool TryLockSteps(const HeldFolder& root, DeviceLock& lock, std::uint32_t& error) {
  const WideText name = WideFromAscii(kLockFileName);
  if (lock.file == kNoFile) {
    error = OpenLockFile(root, name, lock.file);
    if (error == ERROR_SHARING_VIOLATION) error = 0;  // being removed by another run
    if (error != 0 || lock.file == kNoFile) return false;
  }
  error = LockBytes(lock.file, kStepsByte, 1, true, true);
  if (error != 0) return false;
  if (NamesOpenFile(root, name, lock.file)) return true;
  // The run that let it go last removed it: this run marked nothing yet.
  LetGo(root, lock, false);
  return false;
}

}  // namespace

std::uint32_t LockDeviceSteps(const HeldFolder& root, DeviceLock& lock) {
  std::uint32_t error = ERROR_ACCESS_DENIED;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (TryLockSteps(root, lock, error)) {
      lock.stepsHeld = true;
      return 0;
    }
    if (error != 0) break;
    error = ERROR_ACCESS_DENIED;
    if (attempt > 0) Sleep(10);
  }
  // A run that marks no folder yet needs the file no longer.
  if (lock.uses.empty() && lock.file != kNoFile) LetGo(root, lock, false);
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

void CloseDeviceLock(const HeldFolder& root, DeviceLock& lock) {
  if (lock.file == kNoFile) return;
  for (const std::uint64_t byte : lock.uses) UnlockBytes(lock.file, byte, 1);
  lock.uses.clear();
  if (!lock.stepsHeld && LockBytes(lock.file, kStepsByte, 1, true, true) == 0) {
    lock.stepsHeld = true;
  }
  // The last run of the device leaves no lock file behind. A run that waits
  // for the steps meanwhile finds it gone, and makes another.
  const bool unused =
      lock.stepsHeld && LockBytes(lock.file, kFirstUseByte, kUseBytes, true, false) == 0;
  LetGo(root, lock, unused);
}
