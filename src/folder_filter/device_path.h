// Device paths as the folder filter reads them: "\" and "/" separate
// folders, and every path, with or without a leading separator, starts at
// the device root, which is a folder of this computer. A device holds names
// as UTF-16 text, compares them without regard to letter case as Windows
// does, and holds paths of at most 259 characters and names of at most 255.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folder_filter/wide_text.h"

// The names of a device path from the device root, the folders' first and
// the file's last, or why the path is refused:
// - ERROR_ACCESS_DENIED for a path that would leave the device folder (a
//   ".." folder, a drive, a server share), a name Windows would alter
//   (ending in a dot or a space), a name with a character Windows refuses
//   (< > : " | ? * or a control character), a name Windows keeps for a
//   device (CON, NUL, COM1, CONIN$ and the like), and a file name of the
//   program's own files (a copy in progress, the lock);
// - ERROR_INVALID_NAME for a path that names no file (it ends in a
//   separator) and for text that is not of this system's code page;
// - ERROR_FILENAME_EXCED_RANGE for a path of more than 259 characters, or
//   a name of more than 255.
struct DevicePath {
  std::uint32_t refusal = 0;
  std::vector<WideText> names;
};

DevicePath SplitDevicePath(const std::string& devicePath);

// The device path used when none is given: the name of the desktop file with
// the extension ".cdb", in the device root.
std::string DefaultDevicePath(const std::string& desktopFile);

// Whether Windows opens a device for the name (CON, NUL, COM1, CONIN$ and
// the like), even with an extension after it or blanks before that.
bool IsReservedDeviceName(const WideText& name);

// What a lookup of a name among a folder's entries found.
enum class NameMatch { kNone, kOne, kMany };

// Finds the entry that a device takes for `name`: the one whose name is the
// same without regard to letter case, as Windows compares names. kMany when
// two or more are, which no device could hold.
NameMatch MatchDeviceName(const std::vector<WideText>& entries, const WideText& name,
                          WideText& found);
