// Option parsing from an argument vector: the input's NUL bytes separate
// the arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments{"morvask"};
  arguments.emplace_back();
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const std::optional<TransferRequest> request =
      ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
  if (request) {
    // The list is every table name followed by "..".
    std::string expected;
    for (const std::string& name : request->tableNames) expected += name + "..";
    if (expected != request->tableList) __builtin_trap();
  }
  return 0;
}
