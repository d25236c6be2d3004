#include "registry_file/file_lines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/text_linux.h"
#include "registry_file/header_look.h"
#include "registry_file/scan.h"

namespace {

// A block the size of a core's cache, so that the bytes the system copies
// in are still there when they are looked at.
constexpr std::size_t kBlockBytes = 1 << 16;

// --- reading the file in blocks of whole lines -------------------------------

// Reads blocks of `block` bytes into a buffer of two: the start of a line
// not yet complete (less than a block) and the block read after it. Reads
// from `offset` up to `end`.
struct Reader {
  int file;
  std::size_t block;
  std::uint64_t offset = 0;
  std::uint64_t end = UINT64_MAX;
  bool utf16 = false;
  std::vector<char> buffer = std::vector<char>(2 * block);
  std::size_t size = 0;
  std::uint64_t bufferOffset = 0;  // the file offset of the buffer's first byte (8-bit files)
  std::vector<char> raw{};
  std::string pending{};  // half a UTF-16 character
  std::string decoded{};
  std::string longLine{};  // a line longer than a block, gathered up to a limit
  std::uint64_t longLineOffset = 0;
  bool gathering = false;
  bool longLineCut = false;
};

// Reads at most `room` bytes at the reader's offset, short of its end.
ssize_t ReadAt(Reader& reader, char* into, std::size_t room) {
  if (reader.offset >= reader.end) return 0;
  if (reader.end - reader.offset < room)
    room = static_cast<std::size_t>(reader.end - reader.offset);
  for (;;) {
    const ssize_t got = pread(reader.file, into, room, static_cast<off_t>(reader.offset));
    if (got < 0 && errno == EINTR) continue;
    if (got > 0) reader.offset += static_cast<std::uint64_t>(got);
    return got;
  }
}

// Reads more of the file after what the buffer holds, as UTF-8; false at
// its end, or when it cannot be read.
bool ReadMore(Reader& reader) {
  for (;;) {
    char* into = reader.utf16 ? reader.raw.data() : reader.buffer.data() + reader.size;
    const std::size_t room = reader.utf16 ? reader.raw.size() : reader.block;
    const ssize_t got = ReadAt(reader, into, room);
    if (got <= 0) return false;
    if (!reader.utf16) {
      reader.size += static_cast<std::size_t>(got);
      return true;
    }
    reader.decoded.clear();
    DecodeUtf16(std::string_view(into, static_cast<std::size_t>(got)), reader.pending,
                reader.decoded);
    std::memcpy(reader.buffer.data() + reader.size, reader.decoded.data(), reader.decoded.size());
    reader.size += reader.decoded.size();
    if (reader.size > 0) return true;
  }
}

// Where the whole lines of the buffer end: after its last line end. A CR
// that ends the buffer is kept back, as an LF may follow it.
std::size_t WholeLinesEnd(const Reader& reader) {
  const char* data = reader.buffer.data();
  std::size_t end = reader.size;
  if (end > 0 && data[end - 1] == '\r') --end;
  const void* lf = memrchr(data, '\n', end);
  const std::size_t after = lf != nullptr ? static_cast<const char*>(lf) - data + 1 : 0;
  const void* cr = memrchr(data + after, '\r', end - after);
  return cr != nullptr ? static_cast<const char*>(cr) - data + 1 : after;
}

void AppendToLongLine(Reader& reader, const char* data, std::size_t size) {
  const std::size_t room = kMaxRegLineBytes - reader.longLine.size();
  if (size > room) reader.longLineCut = true;
  reader.longLine.append(data, size < room ? size : room);
}

// A line longer than a block is gathered apart until its line end.
bool FinishLongLine(RegScan& scan, Reader& reader, std::size_t& at) {
  const char* data = reader.buffer.data();
  std::size_t newline = std::string_view::npos;
  const std::size_t end = RegLineEnd(data, reader.size, 0, newline);
  AppendToLongLine(reader, data, end);
  if (end == reader.size) return true;  // still no line end
  reader.gathering = false;
  at = AfterRegLineEnd(data, reader.size, end);
  scan.lineOffset = reader.longLineOffset;
  const bool ok = ScanRegLine(scan, reader.longLine, reader.longLineCut);
  reader.longLine.clear();
  reader.longLineCut = false;
  return ok;
}

// Reads what the buffer holds: its whole lines, then keeps the rest for the
// next block, or gathers it when it is too long to keep.
bool ScanBuffer(RegScan& scan, Reader& reader) {
  std::size_t at = 0;
  if (reader.gathering) {
    if (!FinishLongLine(scan, reader, at)) return false;
    if (reader.gathering) {
      reader.size = 0;
      reader.bufferOffset = reader.offset;
      return true;
    }
  }
  const std::size_t whole = std::max(at, WholeLinesEnd(reader));
  scan.base = reader.bufferOffset + at;
  if (!ScanRegLines(scan, std::string_view(reader.buffer.data() + at, whole - at))) return false;
  const std::size_t rest = reader.size - whole;
  if (rest >= reader.block) {
    reader.gathering = true;
    reader.longLineOffset = reader.bufferOffset + whole;
    AppendToLongLine(reader, reader.buffer.data() + whole, rest);
    reader.size = 0;
    reader.bufferOffset = reader.offset;
    return true;
  }
  std::memmove(reader.buffer.data(), reader.buffer.data() + whole, rest);
  reader.size = rest;
  reader.bufferOffset += whole;
  return true;
}

// The last line of the file, which no line end closed.
bool ScanLastLine(RegScan& scan, Reader& reader) {
  if (reader.gathering) {
    scan.lineOffset = reader.longLineOffset;
    return ScanRegLine(scan, reader.longLine, reader.longLineCut);
  }
  if (reader.size == 0) return true;
  scan.base = reader.bufferOffset;
  return ScanRegLines(scan, std::string_view(reader.buffer.data(), reader.size));
}

// Takes the byte-order mark of a UTF-16 file; the first bytes of any other
// file stay for the first block.
void StartReading(Reader& reader) {
  char mark[2] = {0, 0};
  std::size_t got = 0;
  while (got < sizeof mark) {
    const ssize_t n = ReadAt(reader, mark + got, sizeof mark - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  reader.utf16 = got == 2 && mark[0] == '\xFF' && mark[1] == '\xFE';
  if (reader.utf16) {
    // Decoded, a block of UTF-16 takes at most three quarters of a block.
    reader.raw.resize(reader.block / 2);
  } else {
    std::memcpy(reader.buffer.data(), mark, got);
    reader.size = got;
  }
}

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// The file as it is now; a size of UINT64_MAX when it is no regular file.
RegFileIdentity IdentityOf(int file) {
  RegFileIdentity identity;
  struct stat status;
  identity.size = UINT64_MAX;
  if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) return identity;
  identity.device = static_cast<std::uint64_t>(status.st_dev);
  identity.number = static_cast<std::uint64_t>(status.st_ino);
  identity.size = static_cast<std::uint64_t>(status.st_size);
  identity.modified = Nanoseconds(status.st_mtim);
  identity.changed = Nanoseconds(status.st_ctim);
  return identity;
}

// Blocks of kBlockBytes; a small stretch of a file needs no more than itself.
std::size_t BlockSize(std::uint64_t bytes) {
  if (bytes >= kBlockBytes) return kBlockBytes;
  return std::max<std::size_t>(64, static_cast<std::size_t>(bytes) + 1);
}

bool ScanToEnd(RegScan& scan, Reader& reader) {
  while (!scan.stopped && ReadMore(reader)) {
    if (!ScanBuffer(scan, reader)) return false;
  }
  return scan.stopped || ScanLastLine(scan, reader);
}

}  // namespace

bool SameRegFile(const RegFileIdentity& a, const RegFileIdentity& b) {
  return a.device == b.device && a.number == b.number && a.size == b.size &&
         a.modified == b.modified && a.changed == b.changed;
}

bool ScanRegFile(int file, std::string_view focus, const RegSectionHandler& onSection,
                 const RegValueHandler& onValue, RegScanOptions options) {
  const RegHeaderLook look = MakeRegHeaderLook(focus);
  RegScan scan{look, onSection, onValue, options};
  Reader reader{file, BlockSize(IdentityOf(file).size)};
  StartReading(reader);
  return ScanToEnd(scan, reader) && FinishRegScan(scan);
}

RegFileStart ReadRegFileStart(int file) {
  RegFileStart start;
  start.identity = IdentityOf(file);
  start.size = start.identity.size;
  const RegHeaderLook look = MakeRegHeaderLook("");
  const RegSectionHandler noSection = [](const RegSection&) { return false; };
  const RegValueHandler noValue = [](const RegValue&) {};
  RegScan scan{look, noSection, noValue, RegScanOptions{}};
  Reader reader{file, BlockSize(start.size)};
  StartReading(reader);
  start.utf16 = reader.utf16;
  start.wholeHeader = true;
  // The header is the first line; what follows it is not read here.
  while (!scan.headerSeen && ReadMore(reader)) {
    const std::size_t whole = WholeLinesEnd(reader);
    if (whole == 0 && reader.size < reader.block) continue;
    std::size_t newline = std::string_view::npos;
    const std::size_t end = RegLineEnd(reader.buffer.data(), reader.size, 0, newline);
    start.imported = ScanRegLine(scan, std::string_view(reader.buffer.data(), end), false);
    start.body = AfterRegLineEnd(reader.buffer.data(), reader.size, end);
    // In a UTF-16 file, after the byte-order mark and the units of the line.
    if (reader.utf16)
      start.body = 2 + 2 * Utf16UnitsOf(std::string_view(reader.buffer.data(), start.body));
  }
  // A UTF-16 file's text ends with its last whole unit.
  start.textEnd = reader.utf16 ? start.size - start.size % 2 : start.size;
  if (!scan.headerSeen) {
    // No line end within a block: a file the search from the end leaves to
    // the reading from the start.
    start.imported = ScanLastLine(scan, reader) && scan.headerSeen;
    start.body = start.textEnd;
    start.wholeHeader = false;
  }
  start.unicodeFile = scan.unicodeFile;
  return start;
}

void ScanRegFileLines(int file, const RegFileStart& start, std::uint64_t begin, std::uint64_t end,
                      std::string_view focus, const RegSectionHandler& onSection,
                      const RegValueHandler& onValue, RegScanOptions options) {
  const RegHeaderLook look = MakeRegHeaderLook(focus);
  RegScan scan = RegBodyScan(look, onSection, onValue, options, start.unicodeFile);
  Reader reader{file, BlockSize(end - begin), begin, end};
  reader.bufferOffset = begin;
  reader.utf16 = start.utf16;
  if (reader.utf16) reader.raw.resize(reader.block / 2);
  if (ScanToEnd(scan, reader)) FinishRegScan(scan);
}
