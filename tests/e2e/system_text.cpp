// Writes the system's message text for a code, exactly as FormatMessageA
// gives it on this platform (Windows itself, or this platform's stand-in),
// to a file: system_text CODE FILE. Nothing is written when the system has
// no text. The end-to-end cases expect what it writes.
#include <cstdio>
#include <cstdlib>

#include "platform/win32.h"

int main(int argc, char* argv[]) {
  if (argc != 3) return 2;
  const auto code = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 0));
  LPSTR text = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) return 1;
  if (text != nullptr) {
    std::fputs(text, out);
    LocalFree(text);
  }
  std::fclose(out);
  return 0;
}
