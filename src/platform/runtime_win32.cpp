// The static C++ runtime's failure paths, cut down for the Windows files we
// ship. The program and the folder filter catch no exception, so a
// std::string that cannot grow ends the process either way; the runtime's
// own versions of these functions would link in every exception class, the
// reference-counted strings they hold and, through the verbose terminate
// handler, a C++ name demangler and a printf: well over half of each file.
// Linked only into morvask.exe and the folder filter, never into the unit
// tests.
#include <cstdlib>

#include "platform/win32.h"

namespace {

// One fixed line on standard error, written by the system itself (the
// runtime has just failed), then the end of the process, status 3.
[[noreturn]] void Stop() {
  static const char kLine[] = "Morvask stopped: the C++ runtime failed (out of memory?).\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kLine, sizeof kLine - 1, &written, nullptr);
  std::abort();
}

}  // namespace

namespace std {

void __throw_bad_alloc() { Stop(); }
void __throw_bad_array_new_length() { Stop(); }
void __throw_length_error(const char*) { Stop(); }
void __throw_logic_error(const char*) { Stop(); }
void __throw_out_of_range(const char*) { Stop(); }
void __throw_out_of_range_fmt(const char*, ...) { Stop(); }
void __throw_invalid_argument(const char*) { Stop(); }

}  // namespace std

namespace __gnu_cxx {

// The runtime's default for std::terminate: the same line, without the
// type of the exception.
void __verbose_terminate_handler() { Stop(); }

}  // namespace __gnu_cxx
