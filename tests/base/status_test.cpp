#include "base/status.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct SystemErrorCase {
  std::uint32_t error;
  std::uint32_t status;
};

const SystemErrorCase kSystemErrorCases[] = {
    {5, 0x80070005u},
    {193, 0x800700C1u},
    {0xFFFF, 0x8007FFFFu},
    // Only the low 16 bits are kept; the status stays a failure.
    {0x12345, 0x80072345u},
    {0x10000, 0x80070000u},
    // No error code at all is still a failure, never success.
    {0, 0x80004005u},
};

TEST(StatusFromSystemError, IsAlwaysAFailure) {
  for (const SystemErrorCase& c : kSystemErrorCases) {
    const std::int32_t status = StatusFromSystemError(c.error);
    EXPECT_EQ(static_cast<std::uint32_t>(status), c.status) << "error " << c.error;
    EXPECT_LT(status, 0) << "error " << c.error;
  }
}

}  // namespace
