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

const char* TestHold() {
  const char* hold = std::getenv("MORVASK_TEST_HOLD");
  return hold != nullptr && *hold != '\0' ? hold : nullptr;
}

bool TellTest(const char* hold, const char* point) {
  std::FILE* told = std::fopen((std::string(hold) + ".held").c_str(), "wb");
  if (told == nullptr) return false;
  const std::string line = std::string(point) + "\n";
  const bool written = std::fwrite(line.data(), 1, line.size(), told) == line.size();
  return std::fclose(told) == 0 && written;
}

}  // namespace

void TellTestIfAsked(const char* point) {
  if (const char* hold = TestHold()) TellTest(hold, point);
}

void HoldIfAsked() {
  const char* hold = TestHold();
  if (hold == nullptr || !Exists(hold) || !TellTest(hold, "held")) return;
  while (Exists(hold) && !StopRequested()) Sleep(10);
}
