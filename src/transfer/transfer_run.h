// The two transfer runs: check the request, find the filter registered for
// the source file type, load its library, call its export once and unload it.
#pragma once

#include <optional>

#include "base/transfer_request.h"
#include "platform/win32.h"

// "/D2P": copies the desktop .mdb file to the device through the filter's
// DESKTOPTODEVICE export. Returns no status when a check stopped the run
// after printing its one message; otherwise the status of the library step,
// the export's own value when it was called.
std::optional<HRESULT> RunDesktopToDevice(const TransferRequest& request);

// "/P2D": copies the device .cdb file to the desktop through the filter's
// DEVICETODESKTOP export; returns as RunDesktopToDevice does.
std::optional<HRESULT> RunDeviceToDesktop(const TransferRequest& request);
