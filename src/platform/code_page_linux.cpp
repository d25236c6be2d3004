// The code page stand-ins: strings are UTF-8 here, where no byte starts a
// double-byte character, and letters fold as Windows folds them.
#include <algorithm>
#include <string>
#include <string_view>

#include "base/text_linux.h"
#include "platform/win32.h"

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }

int MultiByteToWideChar(UINT, DWORD flags, LPCSTR text, int size, LPWSTR wide, int wideSize) {
  const std::string_view bytes(
      text, size < 0 ? std::char_traits<char>::length(text) + 1 : static_cast<std::size_t>(size));
  std::u16string units;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t length = 1;
    std::uint32_t code = static_cast<unsigned char>(bytes[at]);
    if (code >= 0x80) code = DecodeUtf8At(bytes, at, length);
    if (length == 0) {
      if ((flags & MB_ERR_INVALID_CHARS) != 0) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      code = 0xFFFD;
      length = 1;
    }
    AppendUtf16(units, code);
    at += length;
  }
  if (wideSize == 0) return static_cast<int>(units.size());
  if (units.size() > static_cast<std::size_t>(wideSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(units.begin(), units.end(), wide);
  return static_cast<int>(units.size());
}

int LCMapStringW(LCID, DWORD flags, LPCWSTR source, int sourceSize, LPWSTR destination,
                 int destinationSize) {
  if (flags != LCMAP_UPPERCASE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t size = sourceSize < 0 ? std::char_traits<char16_t>::length(source) + 1
                                          : static_cast<std::size_t>(sourceSize);
  if (destinationSize == 0) return static_cast<int>(size);
  if (size > static_cast<std::size_t>(destinationSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (std::size_t i = 0; i < size; ++i) {
    destination[i] = static_cast<char16_t>(UpperCaseAsWindows(source[i]));
    // A pair of surrogates folds as the one code point it is.
    if (IsHighSurrogate(source[i]) && i + 1 < size && IsLowSurrogate(source[i + 1])) {
      const std::uint32_t code =
          0x10000 + ((source[i] - 0xD800u) << 10) + (source[i + 1] - 0xDC00u);
      const std::uint32_t upper = UpperCaseAsWindows(code);
      const std::uint32_t kept = upper >= 0x10000 ? upper : code;
      destination[i] = static_cast<char16_t>(0xD800 + ((kept - 0x10000) >> 10));
      destination[++i] = static_cast<char16_t>(0xDC00 + ((kept - 0x10000) & 0x3FF));
    }
  }
  return static_cast<int>(size);
}
