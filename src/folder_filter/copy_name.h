// The names of the folder filter's own files in a folder. A copy being
// written beside its destination is named ".morvask-", this build's mark,
// the run's process number in hexadecimal, "-", a serial number in
// hexadecimal, ".tmp", in lower case; each build removes only copies of
// its own form that runs left behind, since only it can tell whether their
// run still lives.
#pragma once

#include <cstdint>
#include <string>

#include "folder_filter/wide_text.h"

// The mark of this build's copies: "" on Linux, "w" on Windows. Defined
// with each platform's file operations.
extern const char kCopyNameMark[];

std::string CopyName(std::uint32_t process, std::uint32_t serial);

// Whether the name has exactly the form of this build's copies, and the
// process number in it.
bool ReadCopyName(const WideText& name, std::uint32_t& process);

// Whether the name, letter case set aside, is one of the program's own
// files (a copy of either build): a name a device path
// may not take.
bool IsProgramFileName(const WideText& name);
