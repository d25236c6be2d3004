// Whole-file copies that never leave a file half-written.
#pragma once

#include <cstdint>

#include "folder_filter/file_system.h"

struct CopyOutcome {
  enum Kind { kCopied, kSourceMissing, kDestinationExists, kFailed };
  Kind kind;
  std::uint32_t systemError;  // for kFailed, a Windows system error code
};

// Copies the whole file, byte for byte, from one place to another. Only a
// regular file is copied. The copy is written beside the destination and
// given its name only when complete and unchanged at its source: a source
// that changed while it was read fails with ERROR_SHARING_VIOLATION. A
// failed copy leaves nothing behind, neither the copy nor the folders made
// for it, and the destination as it was. Without `allowOverwrite` an
// existing destination is never replaced. A link at a confined place's file
// name is refused with ERROR_ACCESS_DENIED.
CopyOutcome CopyWholeFile(FilePlace& source, FilePlace& destination, bool allowOverwrite);
