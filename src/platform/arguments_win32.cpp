#include "platform/arguments.h"

#include "platform/win32.h"

// The C runtime's own splitting of the wide command line, by the rules it
// split the ANSI arguments with (msvcrt.dll exports it on every Windows).
extern "C" __declspec(dllimport) int __cdecl __wgetmainargs(int* argc, wchar_t*** argv,
                                                            wchar_t*** environment,
                                                            int expandWildcards, int* newMode);

namespace {

// Whether the argument, read back from the code page, is what was typed.
bool RoundTrips(const char* argument, const wchar_t* typed) {
  const int size = MultiByteToWideChar(CP_ACP, 0, argument, -1, nullptr, 0);
  if (size <= 0) return false;
  std::vector<wchar_t> wide(static_cast<std::size_t>(size));
  MultiByteToWideChar(CP_ACP, 0, argument, -1, wide.data(), size);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] != typed[i]) return false;  // the terminators are compared too
  }
  return true;
}

}  // namespace

std::vector<bool> ArgumentsAsTyped(int argc, const char* const argv[]) {
  std::vector<bool> asTyped(static_cast<std::size_t>(argc), true);
  int count = 0;
  wchar_t** typed = nullptr;
  wchar_t** environment = nullptr;
  int newMode = 0;
  // Split alike, the two agree on the count; were they to differ, no
  // argument could be told from another.
  if (__wgetmainargs(&count, &typed, &environment, 0, &newMode) != 0 || count != argc) {
    return asTyped;
  }
  for (int i = 1; i < argc; ++i)
    asTyped[static_cast<std::size_t>(i)] = RoundTrips(argv[i], typed[i]);
  return asTyped;
}
