// Text on Linux, where it is UTF-8: UTF-16 as Windows and the registry
// editor write it, and letter case as Windows compares names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

bool IsHighSurrogate(std::uint32_t unit);
bool IsLowSurrogate(std::uint32_t unit);

// The code point of the UTF-8 sequence at `at` and its length in bytes; a
// length of 0 for a byte that starts no well-formed sequence.
std::uint32_t DecodeUtf8At(std::string_view text, std::size_t at, std::size_t& length);

// Appends a code point in UTF-16.
void AppendUtf16(std::u16string& out, std::uint32_t codePoint);

// Decodes UTF-16LE to UTF-8, appending to `out`. A trailing odd byte, or a
// high surrogate whose partner has not arrived yet, stays in `pending` for
// the next call; an unpaired surrogate becomes U+FFFD.
void DecodeUtf16(std::string_view raw, std::string& pending, std::string& out);

// How many UTF-16 units DecodeUtf16 read to write `utf8`, which it wrote:
// one for each character, two for one beyond the BMP.
std::size_t Utf16UnitsOf(std::string_view utf8);

// The upper case of a code point as Windows folds names to compare them
// (LCMapStringW with LCMAP_UPPERCASE): by the simple case mapping, and only
// where the mapping goes both ways, so "é" and "É" fold alike while "ß" and
// "µ" stay.
std::uint32_t UpperCaseAsWindows(std::uint32_t code);

// The text with every letter in upper case, as the registry folds the
// names of keys and values: one UTF-16 unit at a time, each as
// UpperCaseAsWindows maps it, so code points beyond the BMP stay. Bytes
// that are not UTF-8 stay as they are.
std::string UpperCaseUtf8(std::string_view text);

// Bytes as UTF-16, losing nothing: UTF-8 as text, and any byte that starts
// no well-formed UTF-8 as a lone surrogate of its own (U+DC80 to U+DCFF),
// which no text holds.
std::u16string Utf16FromBytes(std::string_view bytes);

// The bytes of Utf16FromBytes again: text as UTF-8, each lone surrogate of
// a byte as that byte (any other lone surrogate as U+FFFD).
std::string BytesFromUtf16(std::u16string_view text);
