// Points where a test can hold a run, or learn where it is, so that it
// never has to race one or look for it.
#pragma once

// With the environment variable MORVASK_TEST_HOLD naming a file, a run
// tells the test where it is: a line written to "<file>.held" (a FIFO the
// test reads, or a file it finds), "waiting" when it begins to wait for
// another run's steps, "held" when it holds (HoldIfAsked). Without the
// variable it does nothing. A test aid: users never set it.
void TellTestIfAsked(const char* point);

// While the file MORVASK_TEST_HOLD names exists, a run that has copied its
// source (and not yet looked at it again) tells the test "held" and waits
// until the file is gone, or the run is asked to stop.
void HoldIfAsked();
