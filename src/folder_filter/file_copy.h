// Whole-file copies that never leave a file half-written, written once over
// the file operations of file_system.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folder_filter/wide_text.h"

// Where one file of a copy lies: a folder the user named, and the names
// below it.
struct FilePlace {
  std::uint32_t refusal = 0;    // a system error when the path names no file to use
  WideText root;                // a folder of this computer; links in it are followed
  std::vector<WideText> names;  // from the root: folders, then the file
  // The device folder: a closed box, with no link below the root (the
  // file's own name included), whose names compare as a device compares
  // them: without regard to letter case, as Windows compares them.
  bool device = false;
  bool makeFolders = false;  // missing folders, the root's too, are made
};

// The place of a desktop file, as the system reads its path: its folder
// and its name. Refused with ERROR_INVALID_NAME when the path names a
// folder ("data/", "C:\data\"), with ERROR_ACCESS_DENIED when Windows reads
// it as a device ("NUL", "CON.mdb").
FilePlace DesktopPlace(const WideText& path);
// The same for a path as the program was given it.
FilePlace DesktopPlace(const std::string& path);

struct CopyOutcome {
  enum Kind { kCopied, kSourceMissing, kDestinationExists, kFailed };
  Kind kind;
  std::uint32_t systemError;  // for kFailed, a Windows system error code
};

// Copies the whole file, byte for byte, from one place to another. Only a
// regular file is copied, and only over a regular file this process may
// write, and never over the source itself (ERROR_ACCESS_DENIED). The copy
// is written beside the destination and given its name only when complete
// and unchanged at its source: a source that changed while it was read
// fails with ERROR_SHARING_VIOLATION. A failed copy leaves nothing behind,
// neither the copy nor the folders made for it, and the destination as it
// was. Without `allowOverwrite` an existing destination is never replaced;
// with it, a destination on the desktop that is a link is replaced where
// the link leads, as cp does. A link in the device folder is refused with
// ERROR_ACCESS_DENIED, and so are two names there that differ only in
// letter case. Runs that share a device folder take turns for each step
// that matches a name and takes it, makes a folder or removes one, and no
// run removes a folder another run uses. A request to end the process
// stops the copy, which then ends it once nothing is left behind.
CopyOutcome CopyWholeFile(const FilePlace& source, const FilePlace& destination,
                          bool allowOverwrite);
