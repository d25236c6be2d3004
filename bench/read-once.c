/* The cost of reading a file once: read() in blocks of 1 MiB to its end,
 * nothing else; the floor of any reading of the whole file. */
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char** argv) {
  static char block[1 << 20];
  if (argc != 2) return 2;
  const int file = open(argv[1], O_RDONLY);
  if (file < 0) return 1;
  while (read(file, block, sizeof block) > 0) {
  }
  return 0;
}
