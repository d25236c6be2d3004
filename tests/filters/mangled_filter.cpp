// A filter written in C++ without extern "C": its functions are exported
// under C++ names, which no program looks for.
#include <cstdint>

#if defined(_WIN32)
#define EXPORTED __declspec(dllexport) __stdcall
#else
#define EXPORTED __attribute__((visibility("default")))
#endif

std::int32_t EXPORTED DESKTOPTODEVICE(const char*, const char*, std::int32_t, std::int32_t,
                                      const char*) {
  return 0;
}

std::int32_t EXPORTED DEVICETODESKTOP(const char*, const char*, std::int32_t, std::int32_t,
                                      const char*) {
  return 0;
}
