#include "registry_file/scan.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// --- the careful reading, one line at a time --------------------------------

void FinishHexValue(RegScan& scan) {
  scan.hexContinues = false;
  FinishRegHexData(scan.unicodeFile, scan.hexBytes, scan.hexValue);
  if (scan.wanted) scan.onValue(scan.hexValue);
  scan.hexBytes.clear();
}

void DropHexValue(RegScan& scan) {
  scan.hexContinues = false;
  scan.hexBytes.clear();
}

// A line while hex data goes on. Blank and comment lines may come between
// its lines; any other line, a section header too, ends the value unread
// and is lost with it.
void ContinueHexData(RegScan& scan, std::string_view text, bool tooLong) {
  if (IsPassedOverByHexData(text)) return;
  if (!IsRegHexDigit(text.front())) return DropHexValue(scan);
  if (tooLong) scan.hexValue.dataTooLong = true;
  switch (ParseRegHexBytes(text, scan.hexBytes)) {
    case RegHexLine::kInvalid: return DropHexValue(scan);
    case RegHexLine::kContinues:
      if (scan.hexBytes.size() > kMaxRegLineBytes) {
        scan.hexValue.dataTooLong = true;
        scan.hexBytes.clear();
      }
      return;
    case RegHexLine::kEnds: return FinishHexValue(scan);
  }
}

void ReadSectionLine(RegScan& scan, std::string_view text, bool tooLong) {
  // A line that is no header leaves the current key as it is. One too long
  // to read whole names some key, certainly not a short one.
  if (!tooLong && !IsRegSectionHeader(text)) return;
  NoteRegHeader(scan, text, tooLong);
  // A section that was wanted ends here, and with it the scan, when asked.
  if (scan.options.stopAfterWantedSection && scan.hadWanted) {
    scan.stopped = true;
    return;
  }
  RegSection section;
  section.offset = scan.lineOffset;
  if (tooLong || (scan.options.passOverSections && IsCertainlyElsewhere(scan.look, text))) {
    scan.wanted = false;
  } else if (ParseRegSection(text, section)) {
    scan.wanted = scan.onSection(section);
    scan.hadWanted = scan.hadWanted || scan.wanted;
  }
}

void ReadValueLine(RegScan& scan, std::string_view text, bool tooLong) {
  // Outside the wanted sections only hex data that goes on matters.
  if (!scan.wanted && !MayContinueRegHexData(text)) return;
  RegValueLine line = ParseRegValueLine(text, tooLong, scan.unicodeFile);
  if (line.continues) {
    scan.hexContinues = true;
    scan.hexValue = std::move(line.value);
    scan.hexBytes = std::move(line.hexBytes);
  } else if (line.read && scan.wanted) {
    scan.onValue(line.value);
  }
}

bool ReadFileHeader(RegScan& scan, std::string_view line) {
  scan.headerSeen = true;
  // Hex string data is read as UTF-16 in a version 5 file, whatever its
  // encoding, and in the code page in a REGEDIT4 file.
  scan.unicodeFile = line == kVersion5Header;
  return line == kVersion5Header || line == kRegedit4Header;
}

// Handles one line, its line end taken off; false when the file turns out
// not to be one the editor imports. `tooLong` says the line was cut.
bool HandleLine(RegScan& scan, std::string_view line, bool tooLong) {
  const std::string_view text = RegLineContent(line);
  if (!scan.headerSeen) return ReadFileHeader(scan, text);
  if (scan.hexContinues) {
    ContinueHexData(scan, text, tooLong);
  } else if (!text.empty() && text.front() == '[') {
    ReadSectionLine(scan, text, tooLong);
  } else if (!text.empty() && (text.front() == '@' || text.front() == '"')) {
    ReadValueLine(scan, text, tooLong);
  }
  return true;
}

// --- passing over sections ----------------------------------------------------
// Outside the wanted sections only two things matter: a section header that
// may concern the focus, and hex data whose last line goes on into the next
// line, which it then swallows, a header too. Headers are found by their
// "[" alone and most are judged from their first bytes; the lines between
// them are looked at only when one may end in the backslash that continues
// hex data.

// Lines that start at or after `from` (a line start) in a block of whole
// lines; the one at `from` is left out when it is a header line already
// read. Before them no hex data goes on.
struct Region {
  std::size_t from;
  bool skipFirst;
};

// Where the line of a "[" starts, when only blanks come before the "[" on
// its line; npos when it is no section header.
std::size_t HeaderLineStart(const char* data, std::size_t bracket) {
  std::size_t start = bracket;
  while (start > 0 && IsRegBlank(data[start - 1])) --start;
  return start == 0 || IsRegLineEnd(data[start - 1]) ? start : std::string_view::npos;
}

// Reads the region's lines before `end` as the careful reading would, to
// learn whether hex data goes on at `end`. No handler is called: the
// sections passed over are not wanted.
bool ReplayRegion(const RegScan& scan, const char* data, Region region, std::size_t end) {
  RegScan replay = RegBodyScan(scan.look, scan.onSection, scan.onValue,
                               RegScanOptions{false, false}, scan.unicodeFile);
  std::size_t newline = std::string_view::npos;
  std::size_t at = region.from;
  if (region.skipFirst) at = AfterRegLineEnd(data, end, RegLineEnd(data, end, at, newline));
  while (at < end) {
    const std::size_t lineEnd = RegLineEnd(data, end, at, newline);
    HandleLine(replay, std::string_view(data + at, lineEnd - at), false);
    at = AfterRegLineEnd(data, end, lineEnd);
  }
  return replay.hexContinues;
}

bool IsLineEndOrBlank(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t'; }

// Whether hex data goes on into the line that starts at `pos`. It does not
// when the last line of the region that holds more than blanks ends all
// hex data (EndsRegHexData), the one rule every reading follows; else the
// region is read carefully to tell. Nearly every line before a header is a
// value's, which ends all hex data.
bool HexDataGoesOnAt(const RegScan& scan, const char* data, Region region, std::size_t pos) {
  std::size_t last = pos;
  while (last > region.from && IsLineEndOrBlank(data[last - 1])) --last;
  if (last == region.from) return false;  // nothing but blank lines
  std::size_t start = last - 1;
  while (start > region.from && !IsRegLineEnd(data[start - 1])) --start;
  if (EndsRegHexData(RegLineContent(std::string_view(data + start, last - start)))) return false;
  return ReplayRegion(scan, data, region, pos);
}

// Passes over the sections of no concern to the focus, from `at`, a line
// start in a block of whole lines, where no hex data goes on and the
// current section is not wanted. Returns the start of the next line to read
// carefully (a section header that may concern the focus), or `size`.
std::size_t PassOverSections(RegScan& scan, const char* data, std::size_t size, std::size_t at) {
  Region region{at, false};
  while (const void* found = std::memchr(data + at, '[', size - at)) {
    const std::size_t bracket = static_cast<const char*>(found) - data;
    at = bracket + 1;
    const std::size_t lineStart = HeaderLineStart(data, bracket);
    if (lineStart == std::string_view::npos) continue;
    // A section certainly elsewhere is passed over, and so is a header line
    // that hex data goes on into, which it swallows. Either way the current
    // section stays unwanted and no hex data goes on after the line.
    if (!PassesOverHeader(scan, std::string_view(data + bracket, size - bracket), false) &&
        !HexDataGoesOnAt(scan, data, region, lineStart)) {
      return lineStart;
    }
    region = {lineStart, true};
  }
  // Hex data of a section passed over may go on into the next block.
  scan.hexContinues = HexDataGoesOnAt(scan, data, region, size);
  scan.hexValue = RegValue();
  scan.hexBytes.clear();
  return size;
}

}  // namespace

void NoteRegHeader(RegScan& scan, std::string_view header, bool tooLong) {
  if (scan.noteLook != nullptr && !scan.noted) {
    scan.noted = tooLong || !IsCertainlyElsewhere(*scan.noteLook, header);
  }
}

bool PassesOverHeader(RegScan& scan, std::string_view header, bool utf16) {
  const std::string& glanced = scan.glanced;
  if (!glanced.empty() && header.size() > glanced.size() &&
      std::memcmp(header.data(), glanced.data(), glanced.size()) == 0) {
    return true;
  }
  const bool noting = scan.noteLook != nullptr && !scan.noted;
  const std::size_t told = ElsewhereAtAGlance(scan.look, header, utf16);
  const std::size_t noteTold = noting ? ElsewhereAtAGlance(*scan.noteLook, header, utf16) : 0;
  if (noting && noteTold == 0) {
    scan.noted = utf16 ? !IsCertainlyElsewhereUtf16(*scan.noteLook, header)
                       : !IsCertainlyElsewhere(*scan.noteLook, header);
  }
  if (told != 0 && (!noting || noteTold != 0)) {
    scan.glanced.assign(header.data(), std::max(told, noteTold));
    return true;
  }
  if (told != 0) return true;
  return utf16 ? IsCertainlyElsewhereUtf16(scan.look, header)
               : IsCertainlyElsewhere(scan.look, header);
}

RegScan RegBodyScan(const RegHeaderLook& look, const RegSectionHandler& onSection,
                    const RegValueHandler& onValue, RegScanOptions options, bool unicodeFile) {
  RegScan scan{look, onSection, onValue, options};
  scan.headerSeen = true;
  scan.unicodeFile = unicodeFile;
  return scan;
}

std::size_t RegLineEnd(const char* data, std::size_t size, std::size_t at, std::size_t& newline) {
  if (newline < at || newline == std::string_view::npos) {
    const void* found = std::memchr(data + at, '\n', size - at);
    newline = found != nullptr ? static_cast<const char*>(found) - data : size;
  }
  const void* cr = std::memchr(data + at, '\r', newline - at);
  return cr != nullptr ? static_cast<const char*>(cr) - data : newline;
}

std::size_t AfterRegLineEnd(const char* data, std::size_t size, std::size_t end) {
  if (end >= size) return size;
  return data[end] == '\r' && end + 1 < size && data[end + 1] == '\n' ? end + 2 : end + 1;
}

bool ScanRegLines(RegScan& scan, std::string_view lines) {
  const char* data = lines.data();
  const std::size_t size = lines.size();
  std::size_t newline = std::string_view::npos;
  for (std::size_t at = 0; at < size && !scan.stopped;) {
    if (scan.options.passOverSections && scan.headerSeen && !scan.wanted && !scan.hexContinues) {
      at = PassOverSections(scan, data, size, at);
      if (at == size) break;
    }
    const std::size_t end = RegLineEnd(data, size, at, newline);
    scan.lineOffset = scan.base + at;
    if (!HandleLine(scan, std::string_view(data + at, end - at), false)) return false;
    at = AfterRegLineEnd(data, size, end);
  }
  return true;
}

bool ScanRegLine(RegScan& scan, std::string_view line, bool tooLong) {
  return HandleLine(scan, line, tooLong);
}

bool FinishRegScan(RegScan& scan) {
  if (scan.hexContinues && !scan.stopped) FinishHexValue(scan);
  return scan.headerSeen;
}
