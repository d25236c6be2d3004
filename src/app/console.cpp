#include "app/console.h"

void WriteLine(std::ostream& stream, std::string_view text) {
  stream << text;
  WriteLineEnd(stream);
}

void WriteLineEnd(std::ostream& stream) { stream << '\n' << std::flush; }
