// The registry file reader takes two shortcuts, and for any file both must
// answer as the plain reading does, for every key its headers name:
// - it passes over sections whose headers show that they concern neither
//   the key looked up nor a key above or below it;
// - it searches for a key from the end of the file, a stretch at a time,
//   and stops at the last section that concerns the key.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry_file/readings.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contents(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> keys = KeysNamedIn(contents, 12);
  keys.push_back("SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb");
  const std::vector<std::string> names = ValueNamesIn(contents, 8);
  for (const std::string& key : keys) {
    Check(RecordRegScan(contents, key, true) == RecordRegScan(contents, key, false));
    const std::string fromStart = RecordRegKey(contents, key, names, 0);
    for (std::size_t stretch : {48, 256}) {
      const std::string fromEnd = RecordRegKey(contents, key, names, stretch);
      Check(fromEnd.rfind("unsure", 0) == 0 || fromEnd == fromStart);
    }
  }
  return 0;
}
