// The program's arguments, and whether they reached it as they were typed.
#pragma once

#include <string>
#include <vector>

// The arguments to read, element 0 included, and in asTyped, for each,
// whether it is exactly what was typed. On Windows the C runtime builds the
// arguments from the wide command line in the ANSI code page, with a
// character of its choice where the code page has none ("Σ" becomes "S", a
// full-width quotation mark a quotation mark, which may split one argument
// into several): such an argument is not as typed. Elsewhere arguments are
// bytes, always as typed.
std::vector<std::string> ArgumentsToRead(int argc, const char* const argv[],
                                         std::vector<bool>& asTyped);
