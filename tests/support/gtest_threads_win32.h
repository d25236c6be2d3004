// GoogleTest's headers name std::mutex and std::condition_variable, which
// the win32 thread model of the MinGW C++ runtime does not have. The
// Windows builds use that model so that the programs they ship import only
// what Windows XP has; the tests get these two from the Win32 calls instead.
// Forced into every file of the test builds for Windows, before anything else.
#pragma once

// Relative to this file: GoogleTest's own files see no include folder of ours.
#include "../../src/platform/win32.h"

#ifdef __cplusplus
#include <mutex>

namespace std {

class mutex {
 public:
  mutex() { InitializeCriticalSection(&section_); }
  ~mutex() { DeleteCriticalSection(&section_); }
  mutex(const mutex&) = delete;
  mutex& operator=(const mutex&) = delete;
  void lock() { EnterCriticalSection(&section_); }
  bool try_lock() { return TryEnterCriticalSection(&section_) != 0; }
  void unlock() { LeaveCriticalSection(&section_); }
  CRITICAL_SECTION* native_handle() { return &section_; }

 private:
  CRITICAL_SECTION section_;
};

class condition_variable {
 public:
  condition_variable() { InitializeConditionVariable(&variable_); }
  condition_variable(const condition_variable&) = delete;
  condition_variable& operator=(const condition_variable&) = delete;
  void notify_one() { WakeConditionVariable(&variable_); }
  void notify_all() { WakeAllConditionVariable(&variable_); }
  void wait(unique_lock<mutex>& lock) {
    SleepConditionVariableCS(&variable_, lock.mutex()->native_handle(), INFINITE);
  }
  template <typename Predicate>
  void wait(unique_lock<mutex>& lock, Predicate done) {
    while (!done()) wait(lock);
  }

 private:
  CONDITION_VARIABLE variable_;
};

}  // namespace std
#endif
