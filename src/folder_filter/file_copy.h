// Whole-file copies that never leave a file half-written, written once over
// the file operations of file_system.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where one file of a copy lies: a folder the user named, and the names
// below it.
struct FilePlace {
  std::string root;                // a folder of this computer; links in it are followed
  std::vector<std::string> names;  // from the root: folders, then the file
  // The device folder: a closed box, with no link below the root (the
  // file's own name included), whose names compare as a device compares
  // them: without regard to letter case.
  bool device = false;
  bool makeFolders = false;  // missing folders, the root's too, are made
};

// The place of a desktop file: its folder as the user named it, and its name.
FilePlace DesktopPlace(const std::string& path);

struct CopyOutcome {
  enum Kind { kCopied, kSourceMissing, kDestinationExists, kFailed };
  Kind kind;
  std::uint32_t systemError;  // for kFailed, a Windows system error code
};

// Copies the whole file, byte for byte, from one place to another. Only a
// regular file is copied, and only over a regular file this process may
// write. The copy is written beside the destination and given its name only
// when complete and unchanged at its source: a source that changed while it
// was read fails with ERROR_SHARING_VIOLATION. A failed copy leaves nothing
// behind, neither the copy nor the folders made for it, and the destination
// as it was. Without `allowOverwrite` an existing destination is never
// replaced; with it, a destination on the desktop that is a link is
// replaced where the link leads, as cp does. A link in the device folder is
// refused with ERROR_ACCESS_DENIED, and so are two names there that differ
// only in letter case. A request to end the process stops the copy, which
// then ends it once nothing is left behind.
CopyOutcome CopyWholeFile(const FilePlace& source, const FilePlace& destination,
                          bool allowOverwrite);
