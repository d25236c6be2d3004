// Statuses as filters return them: 32-bit HRESULTs, 0 for success and the
// top bit set for a failure.
#pragma once

#include <cstdint>

// The failure for a system error code: 0x80070000 with the code's low 16
// bits. An error of 0 tells nothing of what failed, and 0x80070000 | 0 would
// read as success, so it becomes 0x80004005, the unspecified failure.
constexpr std::int32_t StatusFromSystemError(std::uint32_t error) {
  const std::uint32_t status = error != 0 ? (0x80070000u | (error & 0xFFFFu)) : 0x80004005u;
  return static_cast<std::int32_t>(status);
}
