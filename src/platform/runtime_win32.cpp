// The static C++ runtime's failure paths, cut down for the Windows files we
// ship. The program and the folder filter catch no exception, so a
// std::string that cannot grow ends the process either way; the runtime's
// own versions of these functions would link in every exception class, the
// reference-counted strings they hold and, through the verbose terminate
// handler, a C++ name demangler and a printf: well over half of each file.
// Linked only into morvask.exe and the folder filter, never into the tests.
#include <cstdlib>

namespace std {

void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }

}  // namespace std

namespace __gnu_cxx {

// The runtime's default for std::terminate: end the process without
// printing the type of the exception.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
