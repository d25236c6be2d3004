// Text for the stand-ins of this platform, where text is UTF-8: UTF-16 as
// the registry editor writes it, and letter case as Windows compares names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decodes UTF-16LE to UTF-8, appending to `out`. A trailing odd byte, or a
// high surrogate whose partner has not arrived yet, stays in `pending` for
// the next call; an unpaired surrogate becomes U+FFFD.
void DecodeUtf16(std::string_view raw, std::string& pending, std::string& out);

// The text with every letter in upper case, as Windows folds the names of
// registry keys and files to compare them: each character maps on its own
// (simple case mapping), so "é" and "É" fold alike but "ß" stays. Bytes
// that are not UTF-8 stay as they are.
std::string UpperCaseUtf8(std::string_view text);
