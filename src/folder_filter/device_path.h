// Device paths as the folder filter reads them: "\" and "/" separate
// folders, and every path, with or without a leading separator, starts at
// the device root, which is a folder of this computer.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The names of a device path from the device root, the folders' first and
// the file's last; nothing when the path would leave the device folder (a
// ".." folder, a drive, a server share) or names no usable file: the root
// itself, a name Windows would alter (ending in a dot or a space), a name
// with a character Windows refuses (< > : " | ? * or a control character),
// or a name Windows keeps for a device (CON, NUL, COM1, CONIN$ and the like).
std::optional<std::vector<std::string>> SplitDevicePath(const std::string& devicePath);

// The device path used when none is given: the name of the desktop file with
// the extension ".cdb", in the device root.
std::string DefaultDevicePath(const std::string& desktopFile);
