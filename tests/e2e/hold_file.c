/* Holds a file open and shared with no one, as a program that has a
 * database open does, until a second file is removed (two minutes at most).
 *
 *   hold_file FILE SIGNAL-FILE
 *
 * Makes SIGNAL-FILE once FILE is held. Exits 0, or 1 when FILE could not be
 * opened. */
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  HANDLE signal = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
  if (signal == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(signal);
  for (int waited = 0; waited < 1200 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES;
       ++waited) {
    Sleep(100);
  }
  CloseHandle(file);
  return 0;
}
