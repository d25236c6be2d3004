#include "registry_file/header_look.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/ascii.h"
#include "base/text_linux.h"
#include "registry_file/line_rules.h"

namespace {

constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// Whether two bytes are different letters for certain: ASCII bytes that
// differ in more than letter case. Other bytes may be letters that fold
// alike.
bool CertainlyDifferent(char a, char b) {
  return IsAscii(a) && IsAscii(b) && ToLowerAscii(a) != ToLowerAscii(b);
}

// How many bytes at the start of `a` and `b` are the same, at most `size`;
// many at a time, as most headers share a long start with the focus.
std::size_t SameBytes(const char* a, const char* b, std::size_t size) {
  std::size_t same = 0;
#if defined(__SSE2__)
  for (; same + 16 <= size; same += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + same));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + same));
    const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
    if (equal != 0xFFFF) return same + static_cast<std::size_t>(__builtin_ctz(~equal));
  }
#endif
  for (; same + 8 <= size; same += 8) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a + same, 8);
    std::memcpy(&y, b + same, 8);
    if (x != y) {
      // The first byte that differs: the lowest set bit, in memory order.
      const std::uint64_t differ = x ^ y;
      const int bit = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? __builtin_ctzll(differ)
                                                                : __builtin_clzll(differ);
      return same + static_cast<std::size_t>(bit / 8);
    }
  }
  while (same < size && a[same] == b[same]) ++same;
  return same;
}

// Whether a header that has the needle's first `same` characters, then `c`
// (`more` false when it ends there), certainly leaves it.
bool LeavesNeedleAt(std::size_t same, bool more, char c, std::string_view needle) {
  // Within the root, the header may name another root that holds the
  // focus's keys too (HKEY_CLASSES_ROOT): only past it is a difference sure.
  constexpr std::size_t kRootEnd = 1 + kLocalMachine.size() + 1;
  if (same < kRootEnd || same >= needle.size() || !more) return false;
  if (c == '\\' || c == ']' || c == '-' || IsRegLineEnd(c) || needle[same] == '\\') return false;
  return CertainlyDifferent(c, needle[same]);
}

// The quickest look, for a header written as the editor writes the focus:
// the header leaves the needle, past the root, at an ordinary character
// that differs from the needle's in more than letter case. Returns how many
// first bytes of the header told, or 0 when they tell nothing for certain.
std::size_t LeavesNeedle(std::string_view text, std::string_view needle) {
  const std::size_t same =
      SameBytes(text.data(), needle.data(), std::min(text.size(), needle.size()));
  const bool more = same < text.size();
  return LeavesNeedleAt(same, more, more ? text[same] : '\0', needle) ? same + 1 : 0;
}

// The same over UTF-16 units, counted in bytes; a unit beyond ASCII where
// they part leaves the header to the careful look.
std::size_t LeavesNeedleUtf16(std::string_view raw, const RegHeaderLook& look) {
  const std::size_t same =
      SameBytes(raw.data(), look.needle16.data(), std::min(raw.size(), look.needle16.size())) / 2;
  if (2 * same + 1 >= raw.size() || raw[2 * same + 1] != 0 || !IsAscii(raw[2 * same])) {
    return 0;
  }
  return LeavesNeedleAt(same, true, raw[2 * same], look.needle) ? 2 * same + 2 : 0;
}

// The root a header names at `at`, and its length. Nearly every header of
// a file names the local machine, written as the editor writes it.
const RegRoot* HeaderRoot(std::string_view text, std::size_t at, std::size_t& length) {
  if (text.compare(at, kLocalMachine.size(), kLocalMachine) == 0 &&
      at + kLocalMachine.size() < text.size() && text[at + kLocalMachine.size()] == '\\') {
    length = kLocalMachine.size();
    return FindRegRoot(kLocalMachine, length);
  }
  return FindRegRoot(text.substr(at), length);
}

enum class Judgement { kElsewhere, kConcerned, kCompare };

// The keys of a root such as HKEY_CLASSES_ROOT lie below a path of the
// local machine's (`below`): they concern a focus above that path, are
// elsewhere for a focus beside it, and are compared with the rest of a
// focus below it, from `matched` on.
Judgement JudgeRootPath(std::string_view below, std::string_view focus, std::size_t& matched) {
  if (below.empty()) return Judgement::kCompare;
  if (focus.empty() || (StartsWithIgnoringAsciiCase(below, focus) &&
                        (below.size() == focus.size() || below[focus.size()] == '\\'))) {
    return Judgement::kConcerned;
  }
  if (!StartsWithIgnoringAsciiCase(focus, below) || focus[below.size()] != '\\') {
    return Judgement::kElsewhere;
  }
  matched = below.size() + 1;
  return Judgement::kCompare;
}

// Compares the key of the header, from `at` on, with the focus, from
// `matched` on, as the registry compares key paths: letter case and empty
// parts do not count. True when they certainly differ.
bool DiffersFromFocus(std::string_view text, std::size_t at, std::string_view focus,
                      std::size_t matched) {
  bool separator = matched == 0 || focus[matched - 1] == '\\';
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == ']' || IsRegLineEnd(c)) return false;  // perhaps a "]" of a name: unsure
    if (c == '\\' && separator) continue;           // an empty part
    if (matched == focus.size()) return c != '\\';  // below the focus, or beside it
    if (c != focus[matched] && ToLowerAscii(c) != ToLowerAscii(focus[matched])) {
      return CertainlyDifferent(c, focus[matched]);
    }
    separator = c == '\\';
    ++matched;
  }
  return false;
}

// The careful look: the root, then the key below it.
bool CertainlyElsewhere(const RegHeaderLook& look, std::string_view text) {
  std::size_t at = 1;  // past "["
  if (at < text.size() && text[at] == '-') ++at;
  std::size_t rootLength = 0;
  const RegRoot* root = HeaderRoot(text, at, rootLength);
  if (root == nullptr || !root->localMachine) return false;
  at += rootLength;
  if (at < text.size() && text[at] == '\\') {
    // A key path that starts with a separator: the registry opens nothing.
    if (++at < text.size() && text[at] == '\\') return true;
  }
  std::size_t matched = 0;
  const Judgement judgement = JudgeRootPath(root->below, look.focus, matched);
  if (judgement != Judgement::kCompare) return judgement == Judgement::kElsewhere;
  // First the bytes written exactly as the focus writes them: neither a
  // doubled backslash nor a line end can be among them, nor a "]" unless
  // the focus holds one, so the run stops short (`exact`) of the focus's
  // first "]".
  const std::size_t same =
      SameBytes(text.data() + at, look.focus.data() + matched,
                std::min(look.exact - std::min(look.exact, matched), text.size() - at));
  return DiffersFromFocus(text, at + same, look.focus, matched + same);
}

}  // namespace

RegHeaderLook MakeRegHeaderLook(std::string_view focus) {
  RegHeaderLook look;
  look.focus = focus;
  look.exact = std::min(focus.find(']'), focus.size());
  look.needle = "[" + std::string(kLocalMachine) + "\\" + std::string(focus.substr(0, look.exact));
  for (const char c : look.needle) look.needle16 += std::string{c, '\0'};
  // Every key lies below the root: no section is elsewhere.
  look.enabled = !focus.empty() && std::all_of(focus.begin(), focus.end(), IsAscii);
  return look;
}

bool IsCertainlyElsewhere(const RegHeaderLook& look, std::string_view header) {
  return look.enabled &&
         (LeavesNeedle(header, look.needle) != 0 || CertainlyElsewhere(look, header));
}

std::size_t ElsewhereAtAGlance(const RegHeaderLook& look, std::string_view header, bool utf16) {
  if (!look.enabled) return 0;
  return utf16 ? LeavesNeedleUtf16(header, look) : LeavesNeedle(header, look.needle);
}

bool IsCertainlyElsewhereUtf16(const RegHeaderLook& look, std::string_view raw) {
  if (!look.enabled) return false;
  if (LeavesNeedleUtf16(raw, look) != 0) return true;
  // The careful look, on the header line decoded; a header longer than
  // this is judged from its start, which may leave it unsure.
  constexpr std::size_t kHeaderUnits = 1024;
  std::size_t end = 0;
  while (end + 1 < raw.size() && end < 2 * kHeaderUnits &&
         !(raw[end + 1] == 0 && IsRegLineEnd(raw[end]))) {
    end += 2;
  }
  std::string pending;
  std::string header;
  DecodeUtf16(raw.substr(0, end), pending, header);
  return IsCertainlyElsewhere(look, header);
}
