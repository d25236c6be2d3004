#include "platform/arguments.h"

std::vector<bool> ArgumentsAsTyped(int argc, const char* const[]) {
  return std::vector<bool>(static_cast<std::size_t>(argc), true);
}
