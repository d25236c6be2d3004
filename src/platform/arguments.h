// Whether the program's arguments reached it as they were typed.
#pragma once

#include <vector>

// For each of the argc arguments, whether it is exactly what was typed. On
// Windows the C runtime builds the arguments from the wide command line in
// the ANSI code page, with a character of its choice where the code page
// has none ("Σ" becomes "S", a full-width digit a digit): such an argument
// is not as typed. Elsewhere arguments are bytes, always as typed.
std::vector<bool> ArgumentsAsTyped(int argc, const char* const argv[]);
