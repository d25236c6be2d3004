#include "base/console.h"

namespace {

// Standard error is tied to standard output.
void PrepareStream(std::FILE* stream) {
  if (stream == stderr) std::fflush(stdout);
}

void EndLine(std::FILE* stream) {
  std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace

void WriteLine(std::FILE* stream, std::string_view text) {
  PrepareStream(stream);
  std::fwrite(text.data(), 1, text.size(), stream);
  EndLine(stream);
}

void WriteLineEnd(std::FILE* stream) {
  PrepareStream(stream);
  EndLine(stream);
}
