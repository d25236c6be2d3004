// A program that makes the C++ runtime fail as morvask.exe would meet it: a
// string asked to grow beyond what it can hold. Linked with the runtime's
// cut-down failure paths, it must say so in one line and stop.
#include <cstdio>
#include <string>

int main() {
  std::string text;
  text.reserve(text.max_size() + 1);
  std::puts("the runtime did not stop the program");
  return 0;
}
