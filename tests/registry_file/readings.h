// Test support: what a scan of a registry file tells about one key, as text,
// so that two readings of one file can be compared.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Scans `contents` for `focus` and records, in file order, every section of
// the focus, of a key above it or below it (each with its path in upper
// case, and whether it deletes), and every value of the focus's own
// sections. Sections of other keys, and headers that open no key of the
// local machine, are left out: a scan that passes over them tells the same
// as one that reads them.
std::string RecordRegScan(std::string_view contents, std::string_view focus, bool passOver);

// The keys the section headers of `contents` name, without empty parts, at
// most `limit` of them, and the keys above them.
std::vector<std::string> KeysNamedIn(std::string_view contents, std::size_t limit);

// The names of the values that `contents` sets or deletes, at most `limit`
// of them, and the default value's.
std::vector<std::string> ValueNamesIn(std::string_view contents, std::size_t limit);

// What the registry answers of the key: whether it exists, and each named
// value's type and data; read from the start of the file, or searched from
// its end a stretch of `stretchBytes` at a time (0: from the start), after
// a search for another key left notes for it. A search the file does not
// take answers "unsure". With `notedFrom`, the notes are left by a file
// that holds that, then rewritten to hold `contents`.
std::string RecordRegKey(std::string_view contents, std::string_view key,
                         const std::vector<std::string>& valueNames, std::size_t stretchBytes,
                         const std::string* notedFrom = nullptr);
