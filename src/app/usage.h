// The texts the program prints about itself, on standard error.
#pragma once

// An empty line, the version line, the notice line, an empty line.
void PrintBanner();

// The usage text, ending in an empty line. The caller adds one more line end.
void PrintUsage();
