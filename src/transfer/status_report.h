// The one line that tells how a transfer ended.
#pragma once

#include <string>

#include "platform/win32.h"

// Prints TransferStatusText on standard output, then a line end.
void ReportTransferStatus(HRESULT status);

// The text for the status: the system's own message text when it has one
// (untrimmed, its line break kept), otherwise the built-in text, otherwise
// empty.
std::string TransferStatusText(HRESULT status);

// The built-in text for the status, matched on all 32 bits, or empty when
// there is none. Does not ask the system.
std::string DescribeTransferStatus(HRESULT status);
