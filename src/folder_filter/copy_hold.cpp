#include "folder_filter/copy_hold.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "folder_filter/file_system.h"
#include "platform/win32.h"

namespace {

bool Exists(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file != nullptr) std::fclose(file);
  return file != nullptr;
}

}  // namespace

void HoldIfAsked() {
  const char* hold = std::getenv("MORVASK_TEST_HOLD");
  if (hold == nullptr || *hold == '\0' || !Exists(hold)) return;
  std::FILE* marker = std::fopen((std::string(hold) + ".held").c_str(), "wb");
  if (marker == nullptr) return;
  std::fclose(marker);
  while (Exists(hold) && !StopRequested()) Sleep(10);
}
