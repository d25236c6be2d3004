#include "platform/argument_splits.h"
#include "platform/arguments.h"
#include "platform/win32.h"

// The C runtime's own splitting of the wide command line, by the rules it
// split the ANSI arguments with (msvcrt.dll exports it on every Windows).
extern "C" __declspec(dllimport) int __cdecl __wgetmainargs(int* argc, wchar_t*** argv,
                                                            wchar_t*** environment,
                                                            int expandWildcards, int* newMode);

namespace {

// The argument in the ANSI code page, with no character of the system's
// choosing for one the code page lacks.
std::string ToCodePage(const wchar_t* typed) {
  const int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, typed, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, typed, -1, &text[0], size, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(size) - 1);
  return text;
}

// Whether the argument, read back from the code page, is what was typed.
bool RoundTrips(const std::string& argument, const wchar_t* typed) {
  const int size = MultiByteToWideChar(CP_ACP, 0, argument.c_str(), -1, nullptr, 0);
  if (size <= 0) return false;
  std::vector<wchar_t> wide(static_cast<std::size_t>(size));
  MultiByteToWideChar(CP_ACP, 0, argument.c_str(), -1, wide.data(), size);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] != typed[i]) return false;  // the terminators are compared too
  }
  return true;
}

}  // namespace

std::vector<std::string> CompareArgumentSplits(const std::vector<std::string>& ansi,
                                               const std::vector<const wchar_t*>& wide,
                                               std::vector<bool>& asTyped) {
  std::vector<std::string> arguments = ansi;
  if (ansi.size() != wide.size()) {
    arguments.clear();
    for (const wchar_t* typed : wide) arguments.push_back(ToCodePage(typed));
  }
  asTyped.assign(arguments.size(), true);
  // Element 0, the program's name, is never read.
  for (std::size_t i = 1; i < arguments.size(); ++i) asTyped[i] = RoundTrips(arguments[i], wide[i]);
  return arguments;
}

std::vector<std::string> ArgumentsToRead(int argc, const char* const argv[],
                                         std::vector<bool>& asTyped) {
  const std::vector<std::string> ansi(argv, argv + argc);
  int count = 0;
  wchar_t** typed = nullptr;
  wchar_t** environment = nullptr;
  int newMode = 0;
  if (__wgetmainargs(&count, &typed, &environment, 0, &newMode) != 0 || typed == nullptr) {
    asTyped.assign(ansi.size(), true);  // nothing to compare with
    return ansi;
  }
  return CompareArgumentSplits(ansi, std::vector<const wchar_t*>(typed, typed + count), asTyped);
}
