#include "folder_filter/file_copy.h"

#include "platform/win32.h"

namespace {

CopyOutcome Copied() { return {CopyOutcome::kCopied, 0}; }
CopyOutcome Failed(std::uint32_t error) { return {CopyOutcome::kFailed, error}; }

// A copy is whole only when the source ended where it ended when it was
// opened, and no one wrote to it meanwhile.
bool SourceChanged(const FileFacts& before, const FileFacts& after, std::uint64_t copied) {
  return copied != before.size || after.size != before.size || after.modified != before.modified;
}

// Writes the copy beside the destination and gives it the destination's
// name; the copy is removed again when any step fails.
std::uint32_t CopyBeside(FileHandle from, const FileFacts& source, const FilePlace& destination,
                         const FileFacts& existing, bool allowOverwrite) {
  PendingCopy copy;
  std::uint32_t error = StartCopy(
      destination, source, existing.exists && existing.isRegular ? &existing : nullptr, copy);
  if (error != 0) return error;
  std::uint64_t copied = 0;
  error = CopyContents(from, copy, copied);
  FileFacts after;
  if (error == 0) error = ReadFileFacts(from, after);
  if (error == 0 && SourceChanged(source, after, copied)) error = ERROR_SHARING_VIOLATION;
  if (error == 0) error = FinishCopy(destination, copy, allowOverwrite);
  if (error != 0) DiscardCopy(destination, copy);
  return error;
}

CopyOutcome CopyTo(FileHandle from, const FileFacts& source, FilePlace& destination,
                   bool allowOverwrite) {
  FileFacts existing;
  std::uint32_t error = LookAtFile(destination, existing);
  if (error != 0) return Failed(error);
  // Replacing a link would put the copy where the link points, or the link
  // where a file of the device folder was: neither belongs in a closed box.
  if (existing.isLink && destination.confined) return Failed(ERROR_ACCESS_DENIED);
  if (existing.exists && !allowOverwrite) return {CopyOutcome::kDestinationExists, 0};
  error = CopyBeside(from, source, destination, existing, allowOverwrite);
  if (error == 0) return Copied();
  // Another writer made the destination while the copy was written.
  if (!allowOverwrite && IsAlreadyExists(error)) return {CopyOutcome::kDestinationExists, 0};
  return Failed(error);
}

CopyOutcome SourceFailure(std::uint32_t error) {
  return IsNotFound(error) ? CopyOutcome{CopyOutcome::kSourceMissing, 0} : Failed(error);
}

}  // namespace

CopyOutcome CopyWholeFile(FilePlace& source, FilePlace& destination, bool allowOverwrite) {
  std::uint32_t error = OpenPlace(source);
  if (error != 0) {
    ClosePlace(source, false);
    return SourceFailure(error);
  }
  FileHandle from = -1;
  FileFacts facts;
  error = OpenSourceFile(source, from, facts);
  CopyOutcome outcome = SourceFailure(error);
  if (error == 0) {
    error = OpenPlace(destination);
    outcome = error == 0 ? CopyTo(from, facts, destination, allowOverwrite) : Failed(error);
    ClosePlace(destination, outcome.kind != CopyOutcome::kCopied);
    CloseFile(from);
  }
  ClosePlace(source, false);
  return outcome;
}
