#include "registry_file/stretches.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/text_linux.h"
#include "registry_file/scan.h"

namespace {

// Where the lines of a stretch start in `bytes`: just after the first whole
// line there that ends all hex data, leaving at least one line after it;
// npos when there is none. `withinLine`: the bytes begin within a line,
// which is passed.
std::size_t LinesStartAfterHexEnd(std::string_view bytes, bool withinLine) {
  const char* data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t newline = std::string_view::npos;
  std::size_t at = withinLine ? AfterRegLineEnd(data, size, RegLineEnd(data, size, 0, newline)) : 0;
  while (at < size) {
    const std::size_t lineEnd = RegLineEnd(data, size, at, newline);
    const std::size_t next = AfterRegLineEnd(data, size, lineEnd);
    if (next < size && EndsRegHexData(RegLineContent(std::string_view(data + at, lineEnd - at)))) {
      return next;
    }
    at = next;
  }
  return std::string_view::npos;
}

bool IsUnit(std::string_view raw, std::size_t at, char unit) {
  return at % 2 == 0 && at + 1 < raw.size() && raw[at] == unit && raw[at + 1] == 0;
}

// Where the line the first unit falls into ends, past its line end, found
// in the units: long lines of hex data are not decoded to be passed.
std::size_t PastFirstLineUtf16(std::string_view raw) {
  for (std::size_t at = 0; at < raw.size(); ++at) {
    const void* lf = std::memchr(raw.data() + at, '\n', raw.size() - at);
    const void* cr = std::memchr(raw.data() + at, '\r', raw.size() - at);
    if (lf == nullptr && cr == nullptr) break;
    const char* found = lf == nullptr || (cr != nullptr && cr < lf) ? static_cast<const char*>(cr)
                                                                    : static_cast<const char*>(lf);
    at = static_cast<std::size_t>(found - raw.data());
    if (IsUnit(raw, at, '\r')) return IsUnit(raw, at + 2, '\n') ? at + 4 : at + 2;
    if (IsUnit(raw, at, '\n')) return at + 2;
  }
  return raw.size();
}

// The same in UTF-16 units, the lines after the first decoded a little at
// a time: the line sought is nearly always one of the first.
std::size_t LinesStartAfterHexEndUtf16(std::string_view raw, std::string& text) {
  const std::size_t past = PastFirstLineUtf16(raw);
  const std::string_view lines = raw.substr(past);
  std::string pending;
  text.clear();
  for (std::size_t decoded = 0, take = 4096; decoded < lines.size(); take *= 2) {
    const std::size_t upTo = std::min(take, lines.size());
    DecodeUtf16(lines.substr(decoded, upTo - decoded), pending, text);
    decoded = upTo;
    const std::size_t start = LinesStartAfterHexEnd(text, false);
    if (start != std::string_view::npos) return past + 2 * Utf16UnitsOf(text.substr(0, start));
  }
  return std::string_view::npos;
}

// Where the lines of a stretch start in its bytes, the first of them at
// `first` in the file: at the body, else as LinesStartAfterHexEnd says.
std::size_t StretchLinesStart(const RegFileStart& start, std::uint64_t first,
                              std::string_view bytes, std::string& text) {
  if (first <= start.body) return 0;
  return start.utf16 ? LinesStartAfterHexEndUtf16(bytes, text) : LinesStartAfterHexEnd(bytes, true);
}

// Reads `more` bytes of the file before those the stretch holds, which
// begin at `first` in the file; the buffer grows when it has no room for
// them. False when the file changed.
bool ReadBefore(int file, std::size_t more, std::uint64_t& first, RegStretch& stretch) {
  if (stretch.first < more) {
    const std::size_t held = stretch.buffer.size() - stretch.first;
    std::vector<char> grown(std::max(2 * stretch.buffer.size(), held + more));
    if (held > 0) {
      std::memcpy(grown.data() + grown.size() - held, stretch.buffer.data() + stretch.first, held);
    }
    stretch.buffer.swap(grown);
    stretch.first = stretch.buffer.size() - held;
  }
  stretch.first -= more;
  first -= more;
  return pread(file, stretch.buffer.data() + stretch.first, more, static_cast<off_t>(first)) ==
         static_cast<ssize_t>(more);
}

}  // namespace

bool ReadRegStretch(int file, const RegFileStart& start, std::uint64_t end,
                    std::size_t stretchBytes, RegStretch& stretch) {
  // The lines the stretch before passed by lie just before `end`: they are
  // moved to the end of the buffer, not read again.
  std::size_t carried = 0;
  if (stretch.begin == end && !stretch.buffer.empty()) {
    carried = stretch.lines - stretch.first;
    std::memmove(stretch.buffer.data() + stretch.buffer.size() - carried,
                 stretch.buffer.data() + stretch.first, carried);
  }
  stretch.first = stretch.buffer.size() - carried;
  std::uint64_t first = end - carried;
  // A line longer than a stretch is read whole in one twice as long, and so
  // on, up to the longest line the reading from the start keeps whole: no
  // stretch holds a line that reading would cut. Decoded, two bytes of
  // UTF-16 take at most three.
  const std::size_t limit = start.utf16 ? kMaxRegLineBytes / 3 * 2 : kMaxRegLineBytes;
  for (std::size_t reach = std::min(stretchBytes, limit);; reach = std::min(2 * reach, limit)) {
    const std::uint64_t from = end - start.body <= reach ? start.body : end - reach;
    if (from < first && !ReadBefore(file, static_cast<std::size_t>(first - from), first, stretch)) {
      return false;
    }
    const std::string_view bytes(stretch.buffer.data() + stretch.first,
                                 stretch.buffer.size() - stretch.first);
    const std::size_t lines = StretchLinesStart(start, first, bytes, stretch.text);
    if (lines != std::string_view::npos) {
      stretch.lines = stretch.first + lines;
      stretch.begin = first + lines;
      return true;
    }
    if (reach >= limit) return false;
  }
}

bool ReadRegRange(int file, std::uint64_t begin, std::uint64_t end, RegStretch& stretch) {
  stretch.buffer.resize(static_cast<std::size_t>(end - begin));
  stretch.first = 0;
  stretch.lines = 0;
  stretch.begin = begin;
  return pread(file, stretch.buffer.data(), stretch.buffer.size(), static_cast<off_t>(begin)) ==
         static_cast<ssize_t>(stretch.buffer.size());
}

namespace {

// Whether the unit at `at` is the first on its line but for blanks.
bool StartsLineUtf16(std::string_view raw, std::size_t at) {
  while (at >= 2 && raw[at - 1] == 0 && IsRegBlank(raw[at - 2])) at -= 2;
  return at == 0 || (raw[at - 1] == 0 && IsRegLineEnd(raw[at - 2]));
}

// Whether a header among the UTF-16 lines may concern the focus of `look`;
// notes the headers for the scan's note look on the way.
bool MayConcernUtf16(RegScan& scan, std::string_view raw) {
  for (std::size_t at = 0;;) {
    const void* found = std::memchr(raw.data() + at, '[', raw.size() - at);
    if (found == nullptr) return false;
    const std::size_t bracket = static_cast<const char*>(found) - raw.data();
    at = bracket + 1;
    if (bracket % 2 != 0 || at >= raw.size() || raw[at] != 0 || !StartsLineUtf16(raw, bracket)) {
      continue;
    }
    if (!PassesOverHeader(scan, raw.substr(bracket), true)) return true;
  }
}

// Scans decoded UTF-16 lines that began at `begin` in the file; sections
// reach onSection with their offsets in the file.
void ScanDecodedLines(RegScan& scan, std::string_view text, std::uint64_t begin,
                      const RegSectionHandler& onSection) {
  std::size_t walked = 0;
  std::uint64_t units = 0;
  const RegSectionHandler inFile = [&](const RegSection& decoded) {
    units += Utf16UnitsOf(text.substr(walked, decoded.offset - walked));
    walked = static_cast<std::size_t>(decoded.offset);
    RegSection section = decoded;
    section.offset = begin + 2 * units;
    return onSection(section);
  };
  RegScan decodedScan =
      RegBodyScan(scan.look, inFile, scan.onValue, scan.options, scan.unicodeFile);
  decodedScan.noteLook = scan.noteLook;
  decodedScan.noted = scan.noted;
  ScanRegLines(decodedScan, text);
  FinishRegScan(decodedScan);
  scan.noted = decodedScan.noted;
}

}  // namespace

bool ScanRegStretch(const RegFileStart& start, RegStretch& stretch, std::string_view focus,
                    const RegSectionHandler& onSection, const RegHeaderLook* noteLook) {
  const RegHeaderLook look = MakeRegHeaderLook(focus);
  const RegValueHandler noValue = [](const RegValue&) {};
  RegScan scan = RegBodyScan(look, onSection, noValue, RegScanOptions{}, start.unicodeFile);
  scan.noteLook = noteLook;
  const std::string_view lines(stretch.buffer.data() + stretch.lines,
                               stretch.buffer.size() - stretch.lines);
  if (!start.utf16) {
    scan.base = stretch.begin;
    ScanRegLines(scan, lines);
    FinishRegScan(scan);
  } else if (MayConcernUtf16(scan, lines)) {
    std::string pending;
    stretch.text.clear();
    DecodeUtf16(lines, pending, stretch.text);
    ScanDecodedLines(scan, stretch.text, stretch.begin, onSection);
  }
  return scan.noted;
}
