// A trace for people who write and register filters. With the environment
// variable MORVASK_TRACE set to 1, each step of finding, loading and
// calling a filter is told on standard error, in a line of its own that
// starts with "morvask trace: ". Without it, nothing at all is printed.
#pragma once

#include <string>

// Whether the trace is asked for.
bool TraceOn();

// Prints one line of the trace, when it is asked for.
void Trace(const std::string& line);

// A number in hexadecimal, as "0x0000007F", and in decimal. (Formatted
// here: the C runtime's printf family would bring its locale code into
// the Windows files.)
std::string Hex32(unsigned long value);
std::string Decimal(unsigned long long value);

// Text as it stands, in quotes.
std::string Quoted(const std::string& text);
