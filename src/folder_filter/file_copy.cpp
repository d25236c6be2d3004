#include "folder_filter/file_copy.h"

#include <utility>

#include "folder_filter/copy_name.h"
#include "folder_filter/device_path.h"
#include "folder_filter/file_system.h"
#include "platform/win32.h"

namespace {

CopyOutcome Copied() { return {CopyOutcome::kCopied, 0}; }
CopyOutcome Failed(std::uint32_t error) { return {CopyOutcome::kFailed, error}; }
CopyOutcome DestinationExists() { return {CopyOutcome::kDestinationExists, 0}; }

bool IsNotFound(std::uint32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAlreadyExists(std::uint32_t error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// --- places --------------------------------------------------------------------

// A place opened: the root and every folder below it held, with the names
// they have, and what this run made.
struct OpenedPlace {
  std::vector<Folder> folders;        // the root, then each folder below it
  std::vector<std::string> stored;    // the name each folder below the root has
  std::vector<bool> made;             // whether this run made it
  std::vector<std::string> madeRoot;  // the root and its parents this run made, outermost first
  std::string fileName;               // the file's name as its folder holds it
};

// The folder that holds the place's file.
const HeldFolder& FileFolder(const OpenedPlace& opened) { return *opened.folders.back(); }

// Makes the folder at a path the user named, and its missing parents.
std::uint32_t MakeFolderTree(const std::string& path, std::vector<std::string>& made) {
  std::uint32_t error = MakeFolderAt(path);
  if (IsNotFound(error)) {
    const std::string parent = ParentFolder(path);
    if (parent == path || parent == ".") return error;
    error = MakeFolderTree(parent, made);
    if (error == 0) error = MakeFolderAt(path);
  }
  if (error == 0) made.push_back(path);
  return IsAlreadyExists(error) ? 0 : error;
}

std::uint32_t OpenRoot(const FilePlace& place, OpenedPlace& opened) {
  Folder root;
  std::uint32_t error = OpenFolderAt(place.root, root);
  if (IsNotFound(error) && place.makeFolders) {
    error = MakeFolderTree(place.root, opened.madeRoot);
    if (error == 0) error = OpenFolderAt(place.root, root);
  }
  if (error == 0) opened.folders.push_back(std::move(root));
  return error;
}

// The name the folder holds for `name`: on a device, the entry whose name is
// the same without regard to letter case; `name` itself when there is none.
std::uint32_t StoredName(const FilePlace& place, const HeldFolder& folder, const std::string& name,
                         std::string& stored) {
  stored = name;
  if (!place.device) return 0;
  std::vector<std::string> entries;
  const std::uint32_t error = ListFolder(folder, entries);
  if (error != 0) return error;
  // Two names a device takes for one: the device folder is in a state no
  // device could be in, and a guess could copy the wrong file.
  return MatchDeviceName(entries, name, stored) == NameMatch::kMany ? ERROR_ACCESS_DENIED : 0;
}

std::uint32_t OpenOrMakeFolder(const FilePlace& place, const HeldFolder& parent,
                               const std::string& name, Folder& folder, bool& made) {
  made = false;
  std::uint32_t error = OpenFolderBelow(parent, name, folder);
  if (error != ERROR_FILE_NOT_FOUND || !place.makeFolders) return error;
  error = MakeFolderBelow(parent, name);
  made = error == 0;
  if (error != 0 && !IsAlreadyExists(error)) return error;
  // Made now, or by another run meanwhile: either way opened only if it is
  // no link.
  return OpenFolderBelow(parent, name, folder);
}

// Opens the root and every folder below it, making missing ones when the
// place allows it.
std::uint32_t OpenPlace(const FilePlace& place, OpenedPlace& opened) {
  std::uint32_t error = OpenRoot(place, opened);
  for (std::size_t i = 0; error == 0 && i + 1 < place.names.size(); ++i) {
    std::string name;
    Folder folder;
    bool made = false;
    error = StoredName(place, FileFolder(opened), place.names[i], name);
    if (error == 0) error = OpenOrMakeFolder(place, FileFolder(opened), name, folder, made);
    if (error != 0) break;
    opened.stored.push_back(name);
    opened.made.push_back(made);
    opened.folders.push_back(std::move(folder));
  }
  if (error == 0)
    error = StoredName(place, FileFolder(opened), place.names.back(), opened.fileName);
  return error;
}

// Lets the folders go. After a failure, first removes the folders this run
// made, innermost first, as long as they are empty: each is let go, then
// removed through the folder above it.
void ClosePlace(OpenedPlace& opened, bool failed) {
  for (std::size_t i = opened.stored.size(); failed && i-- > 0;) {
    opened.folders.resize(i + 1);
    if (opened.made[i]) RemoveFolderBelow(*opened.folders[i], opened.stored[i]);
  }
  opened.folders.clear();
  for (auto made = opened.madeRoot.rbegin(); failed && made != opened.madeRoot.rend(); ++made) {
    RemoveFolderAt(*made);
  }
}

// --- the copy ------------------------------------------------------------------

// Tries names of copies until one is free: a copy that an earlier process
// of the same number left, and that could not be removed yet, keeps its
// name.
template <typename Use>
std::uint32_t WithFreeCopyName(Use use) {
  for (std::uint32_t serial = 0; serial < 100; ++serial) {
    const std::uint32_t error = use(CopyName(GetCurrentProcessId(), serial));
    if (!IsAlreadyExists(error)) return error;
  }
  return ERROR_ALREADY_EXISTS;
}

// Removes the copies that runs which are gone left in the folder: names of
// exactly a copy's form only, and only those no live run owns.
void RemoveAbandonedCopies(const HeldFolder& folder) {
  std::vector<std::string> names;
  if (ListFolder(folder, names) != 0) return;
  for (const std::string& name : names) {
    std::uint32_t process = 0;
    if (ReadCopyName(name, process)) RemoveCopyIfAbandoned(folder, name, process);
  }
}

// A new copy: unnamed where the file system allows it, else under a copy's
// name. One that is to replace a file stays private until it has the
// replaced file's permissions; a new one gets the source's, less the umask.
std::uint32_t StartCopy(const HeldFolder& folder, const FileFacts& source, bool replaces,
                        PendingCopy& copy) {
  RemoveAbandonedCopies(folder);
  const std::uint32_t mode = replaces ? 0600 : (source.mode & 0777);
  const std::uint32_t error = CreateUnnamedCopy(folder, mode, copy);
  if (error != ERROR_NOT_SUPPORTED) return error;
  return WithFreeCopyName(
      [&](const std::string& name) { return CreateNamedCopy(folder, name, mode, copy); });
}

// A copy is whole only when the source ended where it ended when it was
// opened, and no one wrote to it meanwhile (a writer that sets the time of
// its data back still changes the time of the last change).
bool SourceChanged(const FileFacts& before, const FileFacts& after, std::uint64_t copied) {
  return copied != before.size || after.size != before.size || after.modified != before.modified ||
         after.changed != before.changed;
}

// Writes the copy beside the file `name` and gives it that name; the copy is
// removed again when any step fails.
std::uint32_t CopyBeside(FileHandle from, const FileFacts& source, const HeldFolder& folder,
                         const std::string& name, bool replaces) {
  PendingCopy copy;
  std::uint32_t error = StartCopy(folder, source, replaces, copy);
  if (error != 0) return error;
  if (replaces) error = KeepAttributesOf(folder, name, copy);
  std::uint64_t copied = 0;
  if (error == 0) error = CopyContents(from, source.size, copy, copied);
  FileFacts after;
  if (error == 0) error = ReadFileFacts(from, after);
  if (error == 0 && SourceChanged(source, after, copied)) error = ERROR_SHARING_VIOLATION;
  // An unnamed copy takes a name to be renamed over the file it replaces.
  if (error == 0 && replaces && copy.name.empty()) {
    error = WithFreeCopyName(
        [&](const std::string& copyName) { return NameUnnamedCopy(folder, copyName, copy); });
  }
  if (error == 0) error = PlaceCopy(folder, copy, name, replaces);
  if (error != 0) DiscardCopy(folder, copy);
  return error;
}

CopyOutcome CopyTo(FileHandle from, const FileFacts& source, const FilePlace& destination,
                   bool allowOverwrite, bool throughLink);

// What may stand at the destination's name: nothing, or with /O a regular
// file this process may write. A link there is refused in the device folder
// (a closed box); on the desktop the copy replaces the file it leads to.
CopyOutcome CopyInto(FileHandle from, const FileFacts& source, const FilePlace& destination,
                     const OpenedPlace& place, bool allowOverwrite, bool throughLink) {
  FileFacts existing;
  std::uint32_t error = LookAtEntry(FileFolder(place), place.fileName, existing);
  if (error != 0) return Failed(error);
  if (existing.isLink && (destination.device || throughLink)) return Failed(ERROR_ACCESS_DENIED);
  if (existing.exists && !allowOverwrite) return DestinationExists();
  if (existing.isLink) {
    std::string target;
    error = FollowLink(FileFolder(place), place.fileName, target);
    if (error != 0) return Failed(error);
    return CopyTo(from, source, DesktopPlace(target), allowOverwrite, true);
  }
  if (existing.exists && (!existing.isRegular || existing.readOnly)) {
    return Failed(ERROR_ACCESS_DENIED);
  }
  if (existing.exists) error = CheckWritable(FileFolder(place), place.fileName);
  if (error == 0)
    error = CopyBeside(from, source, FileFolder(place), place.fileName, existing.exists);
  if (error == 0) return Copied();
  // Another writer made the destination while the copy was written.
  if (!allowOverwrite && IsAlreadyExists(error)) return DestinationExists();
  return Failed(error);
}

CopyOutcome CopyTo(FileHandle from, const FileFacts& source, const FilePlace& destination,
                   bool allowOverwrite, bool throughLink) {
  OpenedPlace place;
  const std::uint32_t error = OpenPlace(destination, place);
  const CopyOutcome outcome =
      error == 0 ? CopyInto(from, source, destination, place, allowOverwrite, throughLink)
                 : Failed(error);
  ClosePlace(place, outcome.kind != CopyOutcome::kCopied);
  return outcome;
}

CopyOutcome SourceFailure(std::uint32_t error) {
  return IsNotFound(error) ? CopyOutcome{CopyOutcome::kSourceMissing, 0} : Failed(error);
}

}  // namespace

FilePlace DesktopPlace(const std::string& path) {
  FilePlace place;
  place.root = ParentFolder(path);
  place.names.push_back(LastName(path));
  return place;
}

CopyOutcome CopyWholeFile(const FilePlace& source, const FilePlace& destination,
                          bool allowOverwrite) {
  StartStoppableWork();
  OpenedPlace place;
  std::uint32_t error = OpenPlace(source, place);
  FileHandle from = kNoFile;
  FileFacts facts;
  if (error == 0) {
    error = OpenSourceFile(FileFolder(place), place.fileName, !source.device, from, facts);
  }
  CopyOutcome outcome = SourceFailure(error);
  if (error == 0) {
    outcome = CopyTo(from, facts, destination, allowOverwrite, false);
    CloseFile(from);
  }
  ClosePlace(place, false);
  EndStoppableWork();
  return outcome;
}
