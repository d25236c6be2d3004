// A point where a test can hold a run, so that it never has to race one.
#pragma once

// With the environment variable MORVASK_TEST_HOLD naming a file that
// exists, a run that has copied its source (and not yet looked at it again)
// makes "<file>.held" and waits until the file is gone, or the run is asked
// to stop. Without the variable, or when the marker cannot be made, it
// does nothing. A test aid: users never set it.
void HoldIfAsked();
