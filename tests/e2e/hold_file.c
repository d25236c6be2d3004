/* Holds a file open and shared with no one, as a program that has a
 * database open does, until a second file is removed (two minutes at most).
 *
 *   hold_file FILE EVENTS RELEASE-FILE
 *
 * Writes a line to EVENTS (a FIFO the test reads): "held" once FILE is
 * held, else "ended". Exits 0, or 1 when FILE could not be opened. */
#include <windows.h>

static void Tell(const char* events, const char* line) {
  HANDLE told = CreateFileA(events, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (told == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(told, line, (DWORD)lstrlenA(line), &written, NULL);
  CloseHandle(told);
}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    Tell(argv[2], "ended\n");
    return 1;
  }
  Tell(argv[2], "held\n");
  /* Waits for the test, which removes the file to let go. */
  for (int waited = 0; waited < 1200 && GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES;
       ++waited) {
    Sleep(100);
  }
  CloseHandle(file);
  return 0;
}
