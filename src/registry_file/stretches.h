// Stretches of a registry file read back from its end, for a search that
// stops at the last section that concerns a key: each stretch is whole
// lines before which no hex data goes on, in either format the editor
// writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry_file/file_lines.h"
#include "registry_file/header_look.h"

// A stretch of the file read for a search from its end: whole lines,
// before which no hex data goes on, ending where the stretch after it
// begins. Offsets are the file's, in either format.
struct RegStretch {
  std::vector<char> buffer;  // the bytes read from the file end at its end
  std::size_t first = 0;     // where they start in it
  std::size_t lines = 0;     // where the lines start in it
  std::uint64_t begin = 0;   // the file offset of the lines
  std::string text;          // UTF-16 lines decoded, kept for the next stretch
};

// Reads the stretch of lines before `end` (a line start), of about
// `stretchBytes`: back to just after a line that ends all hex data
// (EndsRegHexData), or to the body; a stretch that holds no such line is
// read again twice as long, up to the longest line kept whole
// (kMaxRegLineBytes). False when no such line lies within that reach, and
// when the file changed.
bool ReadRegStretch(int file, const RegFileStart& start, std::uint64_t end,
                    std::size_t stretchBytes, RegStretch& stretch);

// Reads the lines from `begin` to `end`, a stretch read before.
bool ReadRegRange(int file, std::uint64_t begin, std::uint64_t end, RegStretch& stretch);

// Scans the stretch's sections, as ScanRegFileLines does; no value reaches
// a handler. A stretch of a UTF-16 file is decoded only when one of its
// headers may concern the focus. Returns whether a header may concern the
// focus of `noteLook`, when given.
bool ScanRegStretch(const RegFileStart& start, RegStretch& stretch, std::string_view focus,
                    const RegSectionHandler& onSection, const RegHeaderLook* noteLook = nullptr);
