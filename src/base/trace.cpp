#include "base/trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/console.h"

bool TraceOn() {
  const char* value = std::getenv("MORVASK_TRACE");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

void Trace(const std::string& line) {
  if (TraceOn()) WriteLine(stderr, "morvask trace: " + line);
}

std::string Hex32(unsigned long value) {
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += "0123456789ABCDEF"[(value >> shift) & 0xF];
  return text;
}

std::string Decimal(unsigned long long value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
