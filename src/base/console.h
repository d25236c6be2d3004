// How the program prints: a line is its text, a line feed and a flush of the
// same stream. Standard output is flushed before anything is written to
// standard error, so the two streams reach the console in the order written.
// Both streams stay in text mode: on Windows a line feed reaches the console
// or a file as CR LF. A failed write is not reported and changes nothing.
#pragma once

#include <cstdio>
#include <string_view>

// Writes the text unchanged, trailing spaces included, then a line end.
void WriteLine(std::FILE* stream, std::string_view text);

// A line feed and a flush: an empty line.
void WriteLineEnd(std::FILE* stream);
