// The command line, turned into a TransferRequest.
#pragma once

#include <optional>
#include <vector>

#include "base/transfer_request.h"

// Reads arguments 1 to argc - 1 (argument 0, the program's name, is never
// looked at). Options match whole, ignoring the case of A to Z only; other
// arguments are passed over. Returns no request when "/?" asks for the
// usage text. Prints nothing. `asTyped`, when given, tells for each
// argument whether it reached the program as typed (ArgumentsToRead): one
// that did not is never taken for an option, and taken as the value of /D,
// /P or /T it makes that option the request's `notAsTyped`.
std::optional<TransferRequest> ParseCommandLine(int argc, const char* const argv[],
                                                const std::vector<bool>& asTyped = {});
