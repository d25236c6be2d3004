// How the program prints: a line is its text, a line feed and a flush of the
// same stream. Standard error is unbuffered and tied to standard output, so
// the two streams reach the console in the order written.
#pragma once

#include <ostream>
#include <string_view>

// Writes the text unchanged, trailing spaces included, then a line end.
void WriteLine(std::ostream& stream, std::string_view text);

// A line feed and a flush: an empty line.
void WriteLineEnd(std::ostream& stream);
