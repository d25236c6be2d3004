#include "platform/arguments.h"

std::vector<std::string> ArgumentsToRead(int argc, const char* const argv[],
                                         std::vector<bool>& asTyped) {
  asTyped.assign(static_cast<std::size_t>(argc), true);
  return std::vector<std::string>(argv, argv + argc);
}
