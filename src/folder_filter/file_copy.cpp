#include "folder_filter/file_copy.h"

#include "folder_filter/file_system.h"

namespace {

CopyOutcome Failed(std::uint32_t error) { return {CopyOutcome::kFailed, error}; }

// Writes the copy beside the destination and puts it in place; the copy is
// removed again when any step fails.
std::uint32_t CopyBeside(FileHandle source, const std::string& folder,
                         const std::string& destination, bool allowOverwrite) {
  FileHandle copy = 0;
  std::string copyPath;
  std::uint32_t error = CreateUniqueFile(folder, copy, copyPath);
  if (error != 0) return error;
  error = CopyContents(source, copy);
  const std::uint32_t closeError = CloseFile(copy);
  if (error == 0) error = closeError;
  if (error == 0) error = MoveIntoPlace(copyPath, destination, allowOverwrite);
  if (error != 0) RemoveFile(copyPath);
  return error;
}

CopyOutcome CopyFrom(FileHandle source, const std::string& destination, bool allowOverwrite,
                     bool createFolders) {
  if (!allowOverwrite && PathExists(destination)) return {CopyOutcome::kDestinationExists, 0};
  const std::string folder = ParentFolder(destination);
  if (createFolders) {
    const std::uint32_t error = CreateFolderTree(folder);
    if (error != 0) return Failed(error);
  }
  const std::uint32_t error = CopyBeside(source, folder, destination, allowOverwrite);
  if (error == 0) return {CopyOutcome::kCopied, 0};
  // Another writer made the destination while the copy was written.
  if (!allowOverwrite && IsAlreadyExists(error)) return {CopyOutcome::kDestinationExists, 0};
  return Failed(error);
}

}  // namespace

CopyOutcome CopyWholeFile(const std::string& source, const std::string& destination,
                          bool allowOverwrite, bool createFolders) {
  FileHandle from = 0;
  const std::uint32_t error = OpenForReading(source, from);
  if (error != 0)
    return IsNotFound(error) ? CopyOutcome{CopyOutcome::kSourceMissing, 0} : Failed(error);
  const CopyOutcome outcome = CopyFrom(from, destination, allowOverwrite, createFolders);
  CloseFile(from);
  return outcome;
}
