// UTF-16 text, as Windows and a device hold names: the folder filter keeps
// every name and path in it, on every platform, and compares device names
// in it. Traits of its own make it a type of its own, compiled in for what
// the folder filter uses of it, instead of the C++ runtime's whole
// std::wstring (35 KB of the 32-bit library).
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

struct WideTraits : std::char_traits<WCHAR> {};
using WideText = std::basic_string<WCHAR, WideTraits>;

// ASCII text, as UTF-16.
inline WideText WideFromAscii(std::string_view ascii) {
  return WideText(ascii.begin(), ascii.end());
}

// The text with every letter in upper case, as Windows compares names; the
// text as it is when the system cannot map it.
inline WideText UpperCaseText(const WideText& text) {
  WideText upper(text);
  const int size = static_cast<int>(text.size());
  if (size > 0 &&
      LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), size, &upper[0], size) != size) {
    return text;
  }
  return upper;
}
