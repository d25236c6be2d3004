#include "registry_file/key_lookup.h"

#include <algorithm>
#include <utility>

#include "base/text_linux.h"

namespace {

constexpr std::size_t kKeptValueBytes = 1 << 20;

// True when `key` is `ancestor` itself or lies below it; both upper-cased.
bool IsWithin(std::string_view key, std::string_view ancestor) {
  if (ancestor.empty()) return true;
  return key.compare(0, ancestor.size(), ancestor) == 0 &&
         (key.size() == ancestor.size() || key[ancestor.size()] == '\\');
}

// Whether the section concerns the key, and how (see RegKeyEvent); with
// `ownOnly`, sections below the key do not count.
bool Concerns(const RegKeyName& key, const RegSection& section, bool ownOnly, RegKeyEvent& event) {
  if (!section.localMachine) return false;
  const std::string path = UpperCaseUtf8(section.path);
  event.offset = section.offset;
  event.deletion = section.deletion;
  event.own = !section.deletion && path == key.upper;
  if (section.deletion) return IsWithin(key.upper, path);
  return ownOnly ? event.own : IsWithin(path, key.upper);
}

// Keeps a value with the key, or only the one named `onlyName` when given.
void KeepValue(RegKeyReading& reading, const std::string* onlyName, std::size_t& keptBytes,
               const RegValue& value) {
  const std::string name = UpperCaseUtf8(value.name);
  if (onlyName != nullptr && name != *onlyName) return;
  reading.values.erase(name);
  if (value.deletion || !reading.valuesKept) return;
  keptBytes += name.size() + value.data.size();
  if (onlyName == nullptr && keptBytes > kKeptValueBytes) {
    reading.valuesKept = false;
    reading.values.clear();
    return;
  }
  reading.values.emplace(name, value);
}

}  // namespace

RegKeyName MakeRegKeyName(std::string_view path) {
  RegKeyName name;
  name.path = NormalizeRegKeyPath(path);
  name.upper = UpperCaseUtf8(name.path);
  return name;
}

RegKeyReading ReadRegKeyFromStart(int file, const RegKeyName& key, const std::string* onlyName) {
  RegKeyReading reading;
  reading.exists = key.path.empty();
  std::size_t keptBytes = 0;
  ScanRegFile(
      file, key.path,
      [&](const RegSection& section) {
        RegKeyEvent event;
        if (!Concerns(key, section, false, event)) return false;
        if (event.deletion) {
          reading = RegKeyReading();
          reading.exists = key.path.empty();
          keptBytes = 0;
          return false;
        }
        reading.exists = true;
        return event.own;
      },
      [&](const RegValue& value) { KeepValue(reading, onlyName, keptBytes, value); });
  return reading;
}

namespace {

// The note of the stretch that ends at `end`; null when there is none.
const RegStretchNote* NoteEndingAt(const RegFileNotes* notes, std::uint64_t end) {
  if (notes == nullptr) return nullptr;
  const auto found =
      std::lower_bound(notes->stretches.begin(), notes->stretches.end(), end,
                       [](const RegStretchNote& note, std::uint64_t at) { return note.end > at; });
  return found != notes->stretches.end() && found->end == end ? &*found : nullptr;
}

// Enough for a file of gigabytes; past them a search reads as without notes.
constexpr std::size_t kMostNotes = 1 << 14;

}  // namespace

RegSearch FindLastRegKeyEvent(int file, const RegFileStart& start, const RegKeyName& key,
                              std::uint64_t end, bool ownOnly, std::size_t stretchBytes,
                              RegKeyEvent& event, RegNoting noting) {
  RegStretch stretch;
  const RegHeaderLook noteLook =
      MakeRegHeaderLook(noting.making != nullptr ? noting.making->focus.path : "");
  // The further back the search goes, the longer its stretches, up to four
  // times the first: a key near the end is found after reading little, and
  // one far back with fewer stretches, each cut short by a line that goes on
  // from the stretch before. (Longer ones gained nothing far back and cost
  // a small file the memory they take.)
  for (std::size_t reach = stretchBytes; end > start.body;
       reach = std::min(2 * reach, 4 * stretchBytes)) {
    const RegStretchNote* note = NoteEndingAt(noting.taking, end);
    if (note != nullptr && !note->mayConcern) {
      end = note->begin;  // no header there concerns the key
      continue;
    }
    const bool read = note != nullptr ? ReadRegRange(file, note->begin, end, stretch)
                                      : ReadRegStretch(file, start, end, reach, stretch);
    if (!read) return RegSearch::kUnsure;
    bool found = false;
    const bool noted = ScanRegStretch(
        start, stretch, key.path,
        [&](const RegSection& section) {
          RegKeyEvent seen;
          if (Concerns(key, section, ownOnly, seen)) {
            event = seen;
            found = true;
          }
          return false;
        },
        noting.making != nullptr ? &noteLook : nullptr);
    if (noting.making != nullptr && noting.making->stretches.size() < kMostNotes) {
      noting.making->stretches.push_back({stretch.begin, end, noted});
    }
    if (found) return RegSearch::kFound;
    end = stretch.begin;
  }
  return RegSearch::kNotFound;
}

RegSearch FindRegValueFromEnd(int file, const RegFileStart& start, const RegKeyName& key,
                              RegKeyEvent last, const std::string& upperName,
                              std::size_t stretchBytes, RegValue& value,
                              const RegFileNotes* notes) {
  for (RegKeyEvent event = last;;) {
    if (event.deletion) return RegSearch::kNotFound;
    bool decided = false;
    if (event.own) {
      // The section's own lines, up to the next section: the last of them
      // that sets or deletes the value decides.
      ScanRegFileLines(
          file, start, event.offset, start.size, key.path,
          [&](const RegSection& section) { return section.offset == event.offset; },
          [&](const RegValue& found) {
            if (UpperCaseUtf8(found.name) != upperName) return;
            value = found;
            decided = true;
          },
          RegScanOptions{true, true});
    }
    if (decided) return value.deletion ? RegSearch::kNotFound : RegSearch::kFound;
    const RegSearch search = FindLastRegKeyEvent(file, start, key, event.offset, true, stretchBytes,
                                                 event, RegNoting{nullptr, notes});
    if (search != RegSearch::kFound) return search;
  }
}

namespace {

// Takes the notes when they tell of this file as it is now and of a focus
// the key lies at or below; else starts them afresh for this file.
RegNoting NotingFor(RegKeyLookup& key) {
  RegFileNotes* notes = key.notes;
  if (notes == nullptr) return {};
  key.takesNotes = SameRegFile(notes->file, key.start.identity) && !notes->stretches.empty() &&
                   IsWithin(key.name.upper, notes->focus.upper);
  if (key.takesNotes) return {nullptr, notes};
  notes->file = key.start.identity;
  notes->stretches.clear();
  return {notes, nullptr};
}

}  // namespace

bool LookUpRegKey(int file, std::size_t stretchBytes, RegKeyLookup& key) {
  key.start = ReadRegFileStart(file);
  const bool root = key.name.path.empty();
  if (!key.start.imported) return root;
  if (stretchBytes != 0 && key.start.wholeHeader) {
    const RegNoting noting = NotingFor(key);
    const RegSearch search = FindLastRegKeyEvent(file, key.start, key.name, key.start.textEnd,
                                                 false, stretchBytes, key.last, noting);
    if (search != RegSearch::kUnsure) {
      key.stretchBytes = stretchBytes;
      key.hasEvent = search == RegSearch::kFound;
      return key.hasEvent ? !key.last.deletion : root;
    }
    // Notes of a search left unfinished tell nothing.
    if (noting.making != nullptr) noting.making->stretches.clear();
  }
  key.stretchBytes = 0;
  key.reading = ReadRegKeyFromStart(file, key.name);
  return key.reading.exists;
}

bool LookUpRegValue(int file, const RegKeyLookup& key, const std::string& upperName,
                    RegValue& value) {
  if (key.stretchBytes != 0) {
    if (!key.hasEvent) return false;
    const RegSearch search =
        FindRegValueFromEnd(file, key.start, key.name, key.last, upperName, key.stretchBytes, value,
                            key.takesNotes ? key.notes : nullptr);
    if (search != RegSearch::kUnsure) return search == RegSearch::kFound;
  }
  // The values kept, or read afresh when there were too many to keep.
  const bool kept = key.stretchBytes == 0 && key.reading.valuesKept;
  const RegKeyReading fresh =
      kept ? RegKeyReading() : ReadRegKeyFromStart(file, key.name, &upperName);
  const RegKeyReading& source = kept ? key.reading : fresh;
  const auto found = source.values.find(upperName);
  if (found == source.values.end()) return false;
  value = found->second;
  return true;
}
