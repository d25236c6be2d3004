// What a registry file tells of one key: whether it exists, and its values.
// The answer is what the registry holds after the editor imported the file,
// where a later section wins over an earlier one.
//
// Three readings give it, and must give it alike:
// - from the start, line by line (scan.h, with the passes over sections
//   off): the reading the other two are held to;
// - from the start, passing over the sections whose headers show at a
//   glance that they concern neither the key nor one above or below it
//   (header_look.h), reading carefully only where hex data may go on;
// - from the end, in stretches read back one after another, each starting
//   just after a line that ends all hex data, and stopping at the last
//   section that concerns the key: far sooner when that lies near the end.
// What keeps them in step: a line means the same to all three, since each
// takes a line's content and every rule about it from line_rules.h, once
// written; the one state carried from line to line is hex data that goes
// on, and both the stretches and the passes begin only where
// EndsRegHexData says none does. The corpus tests read every file all
// three ways, and the registry_readings fuzzer compares them on any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "registry_file/file_lines.h"
#include "registry_file/stretches.h"

// A key path as looked up: empty parts removed, and upper-cased to compare.
struct RegKeyName {
  std::string path;
  std::string upper;
};

RegKeyName MakeRegKeyName(std::string_view path);

// --- from the start ------------------------------------------------------------

// The key's values as kept: by upper-cased name, up to a limit in all.
struct RegKeyReading {
  bool exists = false;
  bool valuesKept = true;  // false when they were too many to keep
  std::map<std::string, RegValue> values;
};

// Reads the whole file for the key and keeps its values, or only the one
// whose upper-cased name is `onlyName` when given. A key exists once a
// section names it or a key below it, until a later deletion of it or of a
// key above it, which also drops its values; the root always exists.
RegKeyReading ReadRegKeyFromStart(int file, const RegKeyName& key,
                                  const std::string* onlyName = nullptr);

// --- from the end ----------------------------------------------------------------

enum class RegSearch {
  kFound,
  kNotFound,
  kUnsure,  // the file has lines the search from the end does not take
            // (a line longer than a stretch); read it from the start
};

// A section that concerns a key: one of the key or below it, which makes
// the key, or the deletion of the key or of one above it.
struct RegKeyEvent {
  std::uint64_t offset = 0;  // where its header line starts
  bool deletion = false;
  bool own = false;  // a section of the key itself
};

// What a search from the end learnt of the stretches it read, kept for a
// later lookup in the same file: which of them hold a header that may
// concern the key `focus`, a key above it or one below it. A lookup of a
// key at or below the focus then reads only those.
struct RegStretchNote {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  bool mayConcern = false;
};

struct RegFileNotes {
  RegKeyName focus;
  RegFileIdentity file;                   // the file as it was when noted
  std::vector<RegStretchNote> stretches;  // from the end of the file back
};

// How a search uses notes: it makes them, or takes them, or neither.
struct RegNoting {
  RegFileNotes* making = nullptr;
  const RegFileNotes* taking = nullptr;
};

// The last section before `end` (a line start, before which no hex data
// goes on) that concerns the key; with `ownOnly`, only its own sections and
// deletions count. Reads back a stretch of about `stretchBytes` at a time.
RegSearch FindLastRegKeyEvent(int file, const RegFileStart& start, const RegKeyName& key,
                              std::uint64_t end, bool ownOnly, std::size_t stretchBytes,
                              RegKeyEvent& event, RegNoting noting = {});

// The value with the upper-cased name, from the key's own sections at or
// before `last`, the last event of the key: the latest that sets or deletes
// it wins, and a deletion of the key before that leaves none. kFound with
// the value, or kNotFound.
RegSearch FindRegValueFromEnd(int file, const RegFileStart& start, const RegKeyName& key,
                              RegKeyEvent last, const std::string& upperName,
                              std::size_t stretchBytes, RegValue& value,
                              const RegFileNotes* notes = nullptr);

// --- a key as the registry calls open it -------------------------------------

// What an opened key needs to answer for its values.
struct RegKeyLookup {
  RegKeyName name;
  RegFileStart start;
  std::size_t stretchBytes = 0;  // 0 when read from the start
  bool hasEvent = false;
  RegKeyEvent last;       // searched from the end: the last section of concern
  RegKeyReading reading;  // read from the start
  // Notes kept between lookups, when given: taken when they are of this
  // file as it is now and the key lies at or below their focus, else made
  // afresh.
  RegFileNotes* notes = nullptr;
  bool takesNotes = false;
};

// Whether the key exists in the open file: searched from the end a stretch
// of `stretchBytes` at a time, or read from the start when `stretchBytes`
// is 0, and for a file the search does not take.
bool LookUpRegKey(int file, std::size_t stretchBytes, RegKeyLookup& key);

// The value with the upper-cased name of a key that exists; false when it
// has none.
bool LookUpRegValue(int file, const RegKeyLookup& key, const std::string& upperName,
                    RegValue& value);
