// The registry is the real one: the .reg text is imported with reg.exe into
// the view this process reads (the 32-bit view for a 32-bit build).
#include <cstdlib>
#include <fstream>

#include "support/temp_dir.h"

void InstallRegistry(const std::string& regText, const std::filesystem::path& folder) {
  const std::string path = (folder / "registry.reg").string();
  std::ofstream(path, std::ios::binary) << regText;
  const std::string command = "reg import \"" + path + "\" " MORVASK_REGISTRY_VIEW " >NUL 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}
