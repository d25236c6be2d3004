// The program's one run, from the banner to the exit status.
#pragma once

// Prints the banner, parses the arguments and carries out what they ask.
// Returns 1 when the usage text was asked for with "/?" or a transfer ended
// with a status (success included), 0 for every other outcome. With the
// environment variable MORVASK_EXIT_STATUS set to "outcome" it returns 0
// when the filter was called and returned 0, 1 when a transfer ended with
// any other status, and 2 when no transfer was attempted; the output is
// the same either way.
int RunMorvask(int argc, const char* const argv[]);
