/* The least a console program does: print a few lines and exit. */
#include <stdio.h>

int main(void) {
  fputs("\nMinimal - version 1\nUsage: minimal\n\n", stderr);
  return 1;
}
