/* Writes the system's message text for a code, exactly as FormatMessageA
 * gives it, to a file: system_text CODE FILE. Nothing is written when the
 * system has no text. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char* argv[]) {
  if (argc != 3) return 2;
  const DWORD code = (DWORD)strtoul(argv[1], NULL, 0);
  LPSTR text = NULL;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      NULL, code, 0, (LPSTR)&text, 0, NULL);
  FILE* out = fopen(argv[2], "wb");
  if (out == NULL) return 1;
  if (text != NULL) {
    fputs(text, out);
    LocalFree(text);
  }
  fclose(out);
  return 0;
}
