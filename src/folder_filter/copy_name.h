// The names a copy carries while it is written beside its destination:
// ".morvask-" and the run's process number in hexadecimal, "-", a serial
// number in hexadecimal, ".tmp", in lower case. Only names of exactly this
// form are ever removed as copies a run left behind.
#pragma once

#include <cstdint>
#include <string>

std::string CopyName(std::uint32_t process, std::uint32_t serial);

// Whether the name has exactly the form of a copy's name, and the process
// number in it.
bool ReadCopyName(const std::string& name, std::uint32_t& process);

// Whether the name has that form when letter case is set aside: a name a
// device path may not take, since on a device it would be one a copy may
// carry.
bool IsCopyNameInAnyCase(const std::string& name);
