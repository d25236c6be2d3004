// A quick look at a section header of a registry file, from its first
// bytes, which need not hold all of it: most sections of a large file
// concern neither the key a lookup is after nor any key above or below it,
// and the scanner passes over them without reading a line of theirs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What the look compares a header with: the key a lookup is after.
struct RegHeaderLook {
  std::string focus;     // a path below HKEY_LOCAL_MACHINE, no empty parts
  std::size_t exact;     // how much of the focus comes before its first "]"
  std::string needle;    // "[HKEY_LOCAL_MACHINE\" and those bytes of the focus
  std::string needle16;  // the needle in UTF-16LE
  bool enabled;          // false for the root, and for a focus with other than
                         // ASCII characters, whose letter case only the careful
                         // reading folds
};

RegHeaderLook MakeRegHeaderLook(std::string_view focus);

// True only when the header's key certainly is neither the focus, nor above
// it, nor below it (or the header opens no key at all): its section cannot
// change what a lookup of the focus finds. False when unsure.
bool IsCertainlyElsewhere(const RegHeaderLook& look, std::string_view header);

// The same for a header in a UTF-16LE file: `raw` starts at its "[" unit
// and may go on past its line. Most headers are judged from their units;
// the rest are decoded.
bool IsCertainlyElsewhereUtf16(const RegHeaderLook& look, std::string_view raw);

// When the header is certainly elsewhere at a glance: how many of its first
// bytes told, which any header that starts with the same bytes shares;
// else 0. `utf16`: the header is in UTF-16LE units.
std::size_t ElsewhereAtAGlance(const RegHeaderLook& look, std::string_view header, bool utf16);
