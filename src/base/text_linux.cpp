#include "base/text_linux.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/ascii.h"

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::uint32_t DecodeUtf8At(std::string_view text, std::size_t at, std::size_t& length) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (lead >= 0xF5 || length == 0 || at + length > text.size()) return length = 0;
  std::uint32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return length = 0;
    code = (code << 6) | (next & 0x3F);
  }
  const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF) {
    return length = 0;
  }
  return code;
}

namespace {

// The C library's case mapping for all of Unicode, whatever locale the
// process runs in. Made once and never changed, and freed when the program
// ends or the library holding this copy (the folder filter) is unloaded;
// without it (a C library with no UTF-8 locale) only ASCII letters fold.
locale_t UnicodeLocale() {
  static const std::unique_ptr<std::remove_pointer_t<locale_t>, decltype(&freelocale)> locale(
      newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0)), &freelocale);
  return locale.get();
}

// Writes a code point in UTF-8 at `into`, at most four bytes; returns
// where it ended.
char* PutUtf8(char* into, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    *into++ = static_cast<char>(codePoint);
    return into;
  }
  // The first byte says how many follow it.
  const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0};
  const int extra = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
  *into++ = static_cast<char>(lead[extra] | (codePoint >> (6 * extra)));
  for (int i = extra - 1; i >= 0; --i) {
    *into++ = static_cast<char>(0x80 | ((codePoint >> (6 * i)) & 0x3F));
  }
  return into;
}

// Appends a code point in UTF-8.
void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  char bytes[4];
  out.append(bytes, static_cast<std::size_t>(PutUtf8(bytes, codePoint) - bytes));
}

}  // namespace

void AppendUtf16(std::u16string& out, std::uint32_t codePoint) {
  if (codePoint >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(codePoint);
  }
}

std::uint32_t UpperCaseAsWindows(std::uint32_t code) {
  const locale_t locale = UnicodeLocale();
  if (locale == locale_t(0) || IsHighSurrogate(code) || IsLowSurrogate(code)) return code;
  const auto upper = static_cast<std::uint32_t>(towupper_l(static_cast<wint_t>(code), locale));
  // Windows maps a letter only where its upper case maps back to it: "µ"
  // (whose upper case "Μ" lowers to "μ") stays, as do "ſ", "ı", "ς", the
  // title-case digraphs and the like, 27 code points in all.
  if (static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(upper), locale)) != code) {
    return code;
  }
  return upper;
}

namespace {

// Copies the run of ASCII units at the start of `units` as bytes, eight at a
// time, to `into`; returns how many units it copied (a multiple of eight).
// Nearly every unit of a registry file is ASCII.
std::size_t CopyAsciiUnits(const char* units, std::size_t count, char* into) {
  std::size_t done = 0;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  for (; done + 8 <= count; done += 8) {
    const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 2 * done));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(eight, high), _mm_setzero_si128())) !=
        0xFFFF) {
      break;
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(into + done), _mm_packus_epi16(eight, eight));
  }
#else
  (void)units;
  (void)count;
  (void)into;
#endif
  return done;
}

}  // namespace

void DecodeUtf16(std::string_view raw, std::string& pending, std::string& out) {
  std::string joined;
  std::string_view units = raw;
  if (!pending.empty()) {
    joined = pending + std::string(raw);
    units = joined;
  }
  // Written through a pointer, not appended: this loop reads every unit of
  // a UTF-16 registry file the search decodes. A unit takes at most three
  // bytes of UTF-8, a pair of units four.
  const std::size_t start = out.size();
  out.resize(start + units.size() / 2 * 3);
  char* into = out.data() + start;
  const auto unitAt = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(units[at]) |
                                      (static_cast<unsigned char>(units[at + 1]) << 8));
  };
  std::size_t i = 0;
  while (i + 1 < units.size()) {
    const std::size_t ascii = CopyAsciiUnits(units.data() + i, (units.size() - i) / 2, into);
    into += ascii;
    i += 2 * ascii;
    if (i + 1 >= units.size()) break;
    const std::uint32_t unit = unitAt(i);
    if (unit < 0x80) {
      *into++ = static_cast<char>(unit);
    } else if (!IsHighSurrogate(unit)) {
      into = PutUtf8(into, IsLowSurrogate(unit) ? 0xFFFD : unit);
    } else if (i + 3 >= units.size()) {
      break;  // its partner is in the next block
    } else if (IsLowSurrogate(unitAt(i + 2))) {
      into = PutUtf8(into, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00));
      i += 2;
    } else {
      into = PutUtf8(into, 0xFFFD);
    }
    i += 2;
  }
  out.resize(static_cast<std::size_t>(into - out.data()));
  pending.assign(units.substr(i));
}

std::size_t Utf16UnitsOf(std::string_view utf8) {
  std::size_t units = 0;
  std::size_t at = 0;
#if defined(__SSE2__)
  // Sixteen ASCII bytes at a time, one unit each.
  for (; at + 16 <= utf8.size(); at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(utf8.data() + at));
    if (_mm_movemask_epi8(bytes) != 0) break;
    units += 16;
  }
#endif
  for (const char c : utf8.substr(at)) {
    const auto byte = static_cast<unsigned char>(c);
    units += (byte & 0xC0) != 0x80;
    units += (byte & 0xF8) == 0xF0;
  }
  return units;
}

std::string UpperCaseUtf8(std::string_view text) {
  std::string upper;
  upper.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    std::size_t length = 0;
    const std::uint32_t code =
        static_cast<unsigned char>(c) < 0x80 ? 0 : DecodeUtf8At(text, at, length);
    if (length == 0) {
      upper += ToUpperAscii(c);  // ASCII, or a byte that is no UTF-8
      ++at;
      continue;
    }
    // The registry compares names one UTF-16 unit at a time: a code point
    // beyond the BMP, two units, never folds there.
    AppendUtf8(upper, code > 0xFFFF ? code : UpperCaseAsWindows(code));
    at += length;
  }
  return upper;
}

std::u16string Utf16FromBytes(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t length = 1;
    std::uint32_t code = static_cast<unsigned char>(bytes[at]);
    if (code >= 0x80) code = DecodeUtf8At(bytes, at, length);
    if (length == 0) {
      code = 0xDC00 + static_cast<unsigned char>(bytes[at]);
      length = 1;
    }
    AppendUtf16(units, code);
    at += length;
  }
  return units;
}

std::string BytesFromUtf16(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(bytes, 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00u));
    } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
      bytes += static_cast<char>(unit - 0xDC00);
    } else {
      AppendUtf8(bytes, IsHighSurrogate(unit) || IsLowSurrogate(unit) ? 0xFFFD : unit);
    }
  }
  return bytes;
}
