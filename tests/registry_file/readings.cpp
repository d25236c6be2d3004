#include "registry_file/readings.h"

#include <sys/mman.h>
#include <unistd.h>

#include <set>

#include "base/text_linux.h"
#include "registry_file/file_lines.h"
#include "registry_file/key_lookup.h"

namespace {

// True when `key` is `ancestor` or lies below it; both upper-cased.
bool IsWithin(const std::string& key, const std::string& ancestor) {
  return ancestor.empty() || (key.compare(0, ancestor.size(), ancestor) == 0 &&
                              (key.size() == ancestor.size() || key[ancestor.size()] == '\\'));
}

// Writes the contents over the whole file.
void Rewrite(int file, std::string_view contents) {
  if (ftruncate(file, 0) != 0 || lseek(file, 0, SEEK_SET) != 0) return;
  std::size_t written = 0;
  while (written < contents.size()) {
    const ssize_t put = write(file, contents.data() + written, contents.size() - written);
    if (put <= 0) break;
    written += static_cast<std::size_t>(put);
  }
}

// An unnamed file in memory that holds the contents.
int FileHolding(std::string_view contents) {
  const int file = memfd_create("registry", MFD_CLOEXEC);
  if (file >= 0) Rewrite(file, contents);
  return file;
}

// The key above `path`, at which notes are kept for it.
std::string ParentOf(std::string_view path) {
  const std::size_t separator = path.rfind('\\');
  return std::string(path.substr(0, separator == std::string_view::npos ? 0 : separator));
}

// Each line of the file, decoded from UTF-16 when it is.
template <typename Visit>
void ForEachLine(std::string_view raw, Visit visit) {
  std::string decoded;
  if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE') {
    std::string pending;
    DecodeUtf16(raw.substr(2), pending, decoded);
  }
  const std::string_view contents = decoded.empty() ? raw : decoded;
  for (std::size_t at = 0; at < contents.size();) {
    std::size_t end = contents.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = contents.size();
    if (!visit(SkipRegBlanks(contents.substr(at, end - at)))) return;
    at = end + 1;
  }
}

std::string Quoted(const std::string& text) { return "[" + text + "]"; }

}  // namespace

std::string RecordRegScan(std::string_view contents, std::string_view focus, bool passOver) {
  const std::string upperFocus = UpperCaseUtf8(focus);
  std::string record;
  const int file = FileHolding(contents);
  if (file < 0) return "no file";
  const bool imported = ScanRegFile(
      file, focus,
      [&](const RegSection& section) {
        // A header that opens no key of the local machine concerns no key.
        const std::string path = UpperCaseUtf8(section.path);
        if (!section.localMachine || (!IsWithin(path, upperFocus) && !IsWithin(upperFocus, path))) {
          return false;
        }
        record += std::string(section.deletion ? "[-" : "[") + path + "]\n";
        return !section.deletion && path == upperFocus;
      },
      [&](const RegValue& value) {
        record += "\"" + value.name + "\" " + (value.deletion ? "deleted" : "type ") +
                  std::to_string(value.type) + (value.dataTooLong ? " too long" : "") + " [" +
                  value.data + "]\n";
      },
      RegScanOptions{passOver});
  close(file);
  return (imported ? "imported\n" : "not imported\n") + record;
}

std::vector<std::string> KeysNamedIn(std::string_view raw, std::size_t limit) {
  std::set<std::string> keys{""};
  ForEachLine(raw, [&](std::string_view line) {
    RegSection section;
    if (ParseRegSection(line, section)) {
      for (std::string path = section.path; !path.empty();) {
        keys.insert(path);
        const std::size_t separator = path.rfind('\\');
        path.erase(separator == std::string::npos ? 0 : separator);
      }
    }
    return keys.size() < limit;
  });
  return std::vector<std::string>(keys.begin(), keys.end());
}

std::vector<std::string> ValueNamesIn(std::string_view raw, std::size_t limit) {
  std::set<std::string> names{""};
  ForEachLine(raw, [&](std::string_view line) {
    const RegValueLine value = ParseRegValueLine(line, false, false);
    if (value.read || value.continues) names.insert(value.value.name);
    return names.size() < limit;
  });
  return std::vector<std::string>(names.begin(), names.end());
}

std::string RecordRegKey(std::string_view contents, std::string_view path,
                         const std::vector<std::string>& valueNames, std::size_t stretchBytes,
                         const std::string* notedFrom) {
  const int file = FileHolding(notedFrom != nullptr ? *notedFrom : contents);
  if (file < 0) return "no file";
  RegKeyLookup key;
  key.name = MakeRegKeyName(path);
  // First the notes of the stretches that may concern keys at or above the
  // key's parent, made by a search for the filter's key, as a run makes
  // them; then the lookup, which takes them.
  RegFileNotes notes{MakeRegKeyName(ParentOf(path)), {}, {}};
  if (stretchBytes != 0) {
    RegKeyLookup filter;
    filter.name = MakeRegKeyName("SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb");
    filter.notes = &notes;
    LookUpRegKey(file, stretchBytes, filter);
    key.notes = &notes;
  }
  if (notedFrom != nullptr) Rewrite(file, contents);
  const bool exists = LookUpRegKey(file, stretchBytes, key);
  // A search the file does not take is left to the reading from the start.
  if (stretchBytes != 0 && key.stretchBytes == 0) {
    close(file);
    return "unsure\n";
  }
  std::string record = exists ? "exists\n" : "missing\n";
  for (const std::string& name : valueNames) {
    RegValue value;
    if (exists && LookUpRegValue(file, key, UpperCaseUtf8(name), value)) {
      record += Quoted(name) + " type " + std::to_string(value.type) +
                (value.dataTooLong ? " too long " : " ") + Quoted(value.data) + "\n";
    } else {
      record += Quoted(name) + " none\n";
    }
  }
  close(file);
  return record;
}
