// The registry is the real one: the .reg text is imported with reg.exe into
// the view this process reads (the 32-bit view for a 32-bit build).
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace {

// Runs reg.exe in this process's registry view; returns its exit status.
int RunReg(const std::string& arguments) {
  const std::string command = "reg " + arguments + " " MORVASK_REGISTRY_VIEW " >NUL 2>&1";
  return std::system(command.c_str());
}

}  // namespace

void InstallRegistry(const std::string& regText, const std::filesystem::path& folder) {
  // Wine's reg import deletes keys in the 64-bit view only, whatever view it
  // is given, so the text's key deletions are done with reg delete.
  std::istringstream lines(regText);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("[-", 0) != 0) continue;
    const std::size_t end = line.find(']');
    RunReg("delete \"" + line.substr(2, end - 2) + "\" /f");
  }
  const std::string path = (folder / "registry.reg").string();
  std::ofstream(path, std::ios::binary) << regText;
  // Wine, on rare occasions, ends a program it starts before the program
  // begins; the import of a sound file fails only so, and is tried again.
  int status = -1;
  for (int attempt = 0; attempt < 3 && status != 0; ++attempt) {
    status = RunReg("import \"" + path + "\"");
  }
  ASSERT_EQ(status, 0) << "reg import " << path;
}
