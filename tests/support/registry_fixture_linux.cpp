// The registry of this platform is the file named by MORVASK_REGISTRY.
#include <cstdlib>
#include <fstream>

#include "support/registry_fixture.h"
#include "support/temp_dir.h"

void InstallRegistry(const std::string& regText, const std::filesystem::path& folder) {
  const std::string path = (folder / "registry.reg").string();
  std::ofstream(path, std::ios::binary) << regText;
  setenv("MORVASK_REGISTRY", path.c_str(), 1);
}
