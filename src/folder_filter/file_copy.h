// Whole-file copies that never leave a file half-written.
#pragma once

#include <cstdint>
#include <string>

struct CopyOutcome {
  enum Kind { kCopied, kSourceMissing, kDestinationExists, kFailed };
  Kind kind;
  std::uint32_t systemError;  // for kFailed, a Windows system error code
};

// Copies the whole file, byte for byte. The copy is written to a new file
// beside the destination and renamed over it only when complete, so a
// failed copy leaves nothing behind and the destination as it was. Without
// `allowOverwrite` an existing destination is never replaced. With
// `createFolders` the destination's missing folders are made first.
CopyOutcome CopyWholeFile(const std::string& source, const std::string& destination,
                          bool allowOverwrite, bool createFolders);
