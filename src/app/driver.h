// The program's one run, from the banner to the exit status.
#pragma once

// Prints the banner, parses the arguments and carries out what they ask.
// Returns 1 when the usage text was asked for with "/?" or a transfer ended
// with a status (success included), 0 for every other outcome.
int RunMorvask(int argc, const char* const argv[]);
