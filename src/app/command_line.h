// The command line, turned into a TransferRequest.
#pragma once

#include <optional>

#include "base/transfer_request.h"

// Reads arguments 1 to argc - 1 (argument 0, the program's name, is never
// looked at). Options match whole, ignoring the case of A to Z only; other
// arguments are passed over. Returns no request when "/?" asks for the
// usage text. Prints nothing.
std::optional<TransferRequest> ParseCommandLine(int argc, const char* const argv[]);
