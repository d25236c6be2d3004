// The registry is the real one: the .reg text is imported with reg.exe into
// the view this process reads (the 32-bit view for a 32-bit build).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/registry_fixture.h"
#include "support/temp_dir.h"

namespace {

// Runs reg.exe in this process's registry view, its output in a file of
// `folder`; returns its exit status. Wine, on rare occasions, ends a
// program it starts before the program's first line, with a failure and no
// output: such a run never reached reg.exe, and the test says so and ends
// with status 125, on which cmake/wine-run.sh runs it again.
int RunReg(const std::string& arguments, const std::filesystem::path& folder) {
  const std::filesystem::path output = folder / "reg-output.txt";
  const std::string command =
      "reg " + arguments + " " MORVASK_REGISTRY_VIEW " >\"" + output.string() + "\" 2>&1";
  const int status = std::system(command.c_str());
  std::error_code error;
  if (status != 0 && std::filesystem::file_size(output, error) == 0) {
    std::fprintf(stderr, "note: Wine ended reg %s before it printed anything\n", arguments.c_str());
    std::exit(125);
  }
  return status;
}

}  // namespace

void InstallRegistry(const std::string& regText, const std::filesystem::path& folder) {
  // Wine's reg import deletes keys in the 64-bit view only, whatever view it
  // is given, so the text's key deletions are done with reg delete.
  std::istringstream lines(regText);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("[-", 0) != 0) continue;
    const std::size_t end = line.find(']');
    RunReg("delete \"" + line.substr(2, end - 2) + "\" /f", folder);
  }
  const std::string path = (folder / "registry.reg").string();
  std::ofstream(path, std::ios::binary) << regText;
  ASSERT_EQ(RunReg("import \"" + path + "\"", folder), 0) << "reg import " << path;
}
