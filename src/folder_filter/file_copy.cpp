#include "folder_filter/file_copy.h"

#include <utility>

#include "folder_filter/copy_hold.h"
#include "folder_filter/copy_name.h"
#include "folder_filter/device_lock.h"
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
  const FilePlace* place = nullptr;
  std::vector<Folder> folders;     // the root, then each folder below it
  std::vector<WideText> stored;    // the name each folder below the root has
  std::vector<char> made;          // whether this run made it
  std::vector<WideText> madeRoot;  // the root and its parents this run made, outermost first
  WideText fileName;               // the file's name as its folder holds it
  DeviceLock lock;                 // for the device folder
};

// The folder that holds the place's file.
const HeldFolder& FileFolder(const OpenedPlace& opened) { return *opened.folders.back(); }

// The names of the folders from the root up to folder `count`, as they are held.
std::vector<WideText> HeldPath(const OpenedPlace& opened, std::size_t count) {
  return std::vector<WideText>(opened.stored.begin(), opened.stored.begin() + count);
}

// Makes the folder at a path the user named, and its missing parents.
std::uint32_t MakeFolderTree(const WideText& path, std::vector<WideText>& made) {
  std::uint32_t error = MakeFolderAt(path);
  if (IsNotFound(error)) {
    const WideText parent = ParentFolder(path);
    if (parent == path || parent == WideFromAscii(".")) return error;
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

// Opens the device folder and takes the lock of its steps. A run that only
// reads the device goes on without the lock when its file cannot be had:
// it changes nothing there.
std::uint32_t OpenLockedRoot(const FilePlace& place, OpenedPlace& opened) {
  std::uint32_t error = OpenRoot(place, opened);
  if (error != 0 || !place.device) return error;
  error = LockDeviceSteps(*opened.folders.front(), opened.lock);
  if (error == 0) {
    MarkFolderUsed(opened.lock, {});
  } else if (!place.makeFolders && error != ERROR_OPERATION_ABORTED) {
    CloseDeviceLock(opened.lock);
    error = 0;
  }
  return error;
}

// The name the folder holds for `name`: on a device, the entry whose name is
// the same without regard to letter case; `name` itself when there is none.
std::uint32_t StoredName(const FilePlace& place, const HeldFolder& folder, const WideText& name,
                         WideText& stored) {
  stored = name;
  if (!place.device) return 0;
  std::vector<WideText> entries;
  const std::uint32_t error = ListFolder(folder, entries);
  if (error != 0) return error;
  // Two names a device takes for one: the device folder is in a state no
  // device could be in, and a guess could copy the wrong file.
  return MatchDeviceName(entries, name, stored) == NameMatch::kMany ? ERROR_ACCESS_DENIED : 0;
}

std::uint32_t OpenOrMakeFolder(const FilePlace& place, const HeldFolder& parent,
                               const WideText& name, Folder& folder, bool& made) {
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

// Opens every folder below the root, making missing ones when the place
// allows it, and finds the file's name.
std::uint32_t OpenFolders(const FilePlace& place, OpenedPlace& opened) {
  std::uint32_t error = 0;
  for (std::size_t i = 0; error == 0 && i + 1 < place.names.size(); ++i) {
    WideText name;
    Folder folder;
    bool made = false;
    error = StoredName(place, FileFolder(opened), place.names[i], name);
    if (error == 0) error = OpenOrMakeFolder(place, FileFolder(opened), name, folder, made);
    if (error != 0) break;
    opened.stored.push_back(name);
    opened.made.push_back(made);
    opened.folders.push_back(std::move(folder));
    if (place.device) MarkFolderUsed(opened.lock, opened.stored);
  }
  if (error == 0) {
    error = StoredName(place, FileFolder(opened), place.names.back(), opened.fileName);
  }
  return error;
}

// Opens the root and every folder below it. In the device folder this is
// one step, which no other run acts within.
std::uint32_t OpenPlace(const FilePlace& place, OpenedPlace& opened) {
  opened.place = &place;
  std::uint32_t error = OpenLockedRoot(place, opened);
  if (error == 0) error = OpenFolders(place, opened);
  UnlockDeviceSteps(opened.lock);
  return error;
}

// Lets the folders go. After a failure, first removes the folders this run
// made, innermost first, as long as they are empty and no other run uses
// them: each is let go, then removed through the folder above it.
void ClosePlace(OpenedPlace& opened, bool failed) {
  const bool device = !opened.folders.empty() && opened.lock.file != kNoFile;
  if (device && failed) failed = LockDeviceSteps(*opened.folders.front(), opened.lock) == 0;
  for (std::size_t i = opened.stored.size(); failed && i-- > 0;) {
    opened.folders.resize(i + 1);
    if (!opened.made[i]) continue;
    if (device && !IsFolderUnused(opened.lock, HeldPath(opened, i + 1))) break;
    RemoveFolderBelow(*opened.folders[i], opened.stored[i]);
  }
  if (device) {
    opened.folders.resize(1);
    CloseDeviceLock(opened.lock);
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
    const std::uint32_t error = use(WideFromAscii(CopyName(GetCurrentProcessId(), serial)));
    if (!IsAlreadyExists(error)) return error;
  }
  return ERROR_ALREADY_EXISTS;
}

// Removes the copies that runs of this build left in the folder: names of
// exactly its copies' form only, and only those no live run owns.
void RemoveAbandonedCopies(const HeldFolder& folder) {
  std::vector<WideText> names;
  if (ListFolder(folder, names) != 0) return;
  for (const WideText& name : names) {
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
      [&](const WideText& name) { return CreateNamedCopy(folder, name, mode, copy); });
}

// A copy is whole only when the source is as it was when it was opened: no
// one wrote to it meanwhile (a writer that sets the time of its data back
// still changes the time of the last change), and it has the size it had.
// What reading gave of a file whose size is no true one (/proc) is whole.
// Whether the source changed while it was copied. Its change time moves
// too when a name of it goes (another run replaced it with /O): that
// changes nothing of what was read, and a change of its link count says so.
bool SourceChanged(const FileFacts& before, const FileFacts& after) {
  return after.size != before.size || after.modified != before.modified ||
         (after.changed != before.changed && after.links == before.links);
}

// Writes the copy of the source to the disk, still pending beside the
// destination.
std::uint32_t WriteCopy(FileHandle from, const FileFacts& source, const HeldFolder& folder,
                        const WideText& replaced, bool replaces, PendingCopy& copy) {
  std::uint32_t error = StartCopy(folder, source, replaces, copy);
  if (error == 0 && replaces) error = KeepAttributesOf(folder, replaced, copy);
  if (error == 0) error = CopyContents(from, source.size, copy);
  if (error == 0) HoldIfAsked();
  FileFacts after;
  if (error == 0) error = ReadFileFacts(from, after);
  if (error == 0 && SourceChanged(source, after)) error = ERROR_SHARING_VIOLATION;
  if (error == 0) error = FlushCopy(copy);
  // Writing a large copy out takes a while: a request to end the process
  // that came meanwhile still finds the copy unplaced.
  if (error == 0 && StopRequested()) error = ERROR_OPERATION_ABORTED;
  return error;
}

// The name the copy takes, and whether it replaces a file there: in the
// device folder matched again, since another run may have taken the name,
// in other letters too, since the place was opened; and a file made there
// meanwhile is replaced only as /O allows.
std::uint32_t FinalName(const OpenedPlace& opened, bool allowOverwrite, WideText& name,
                        bool& replace) {
  name = opened.fileName;
  if (!opened.place->device) return 0;
  std::uint32_t error =
      StoredName(*opened.place, FileFolder(opened), opened.place->names.back(), name);
  FileFacts facts;
  if (error == 0) error = LookAtEntry(FileFolder(opened), name, facts);
  if (error != 0 || !facts.exists || replace) return error;
  if (!allowOverwrite) return ERROR_ALREADY_EXISTS;
  if (!facts.isRegular || facts.isLink || facts.readOnly) return ERROR_ACCESS_DENIED;
  replace = true;
  return 0;
}

// Gives the copy its name. In the device folder one step: the name is
// matched again and taken with no other run acting between.
std::uint32_t TakeName(OpenedPlace& opened, PendingCopy& copy, bool replaces, bool allowOverwrite) {
  const HeldFolder& folder = FileFolder(opened);
  std::uint32_t error = 0;
  if (opened.place->device) error = LockDeviceSteps(*opened.folders.front(), opened.lock);
  WideText name;
  bool replace = replaces;
  if (error == 0) error = FinalName(opened, allowOverwrite, name, replace);
  // An unnamed copy takes a name to be renamed over the file it replaces.
  if (error == 0 && replace && copy.name.empty()) {
    error = WithFreeCopyName(
        [&](const WideText& copyName) { return NameUnnamedCopy(folder, copyName, copy); });
  }
  if (error == 0 && !CommitUnlessStopped()) error = ERROR_OPERATION_ABORTED;
  if (error == 0) error = PlaceCopy(folder, copy, name, replace);
  UnlockDeviceSteps(opened.lock);
  return error;
}

// Writes the copy beside the file and gives it the file's name; the copy is
// removed again when any step fails.
std::uint32_t CopyBeside(FileHandle from, const FileFacts& source, OpenedPlace& opened,
                         bool replaces, bool allowOverwrite) {
  PendingCopy copy;
  std::uint32_t error =
      WriteCopy(from, source, FileFolder(opened), opened.fileName, replaces, copy);
  if (error == 0) error = TakeName(opened, copy, replaces, allowOverwrite);
  if (error != 0) DiscardCopy(FileFolder(opened), copy);
  return error;
}

CopyOutcome CopyTo(FileHandle from, const FileFacts& source, const FilePlace& destination,
                   bool allowOverwrite, bool throughLink);

// What may stand at the destination's name: nothing, or with /O a regular
// file this process may write, other than the source. A link there is
// refused in the device folder (a closed box); on the desktop the copy
// replaces the file it leads to.
CopyOutcome CopyInto(FileHandle from, const FileFacts& source, OpenedPlace& place,
                     bool allowOverwrite, bool throughLink) {
  FileFacts existing;
  std::uint32_t error = LookAtEntry(FileFolder(place), place.fileName, existing);
  if (error != 0) return Failed(error);
  if (existing.isLink && (place.place->device || throughLink)) return Failed(ERROR_ACCESS_DENIED);
  if (existing.exists && !allowOverwrite) return DestinationExists();
  if (existing.isLink) {
    WideText target;
    error = FollowLink(FileFolder(place), place.fileName, target);
    if (error != 0) return Failed(error);
    return CopyTo(from, source, DesktopPlace(target), allowOverwrite, true);
  }
  // A file copied over itself would be lost, as cp and copy refuse to.
  if (existing.exists &&
      (!existing.isRegular || existing.readOnly || IsSameFile(existing, source))) {
    return Failed(ERROR_ACCESS_DENIED);
  }
  if (existing.exists) error = CheckWritable(FileFolder(place), place.fileName);
  if (error == 0) error = CopyBeside(from, source, place, existing.exists, allowOverwrite);
  if (error == 0) return Copied();
  // Another writer made the destination while the copy was written.
  if (!allowOverwrite && IsAlreadyExists(error)) return DestinationExists();
  return Failed(error);
}

CopyOutcome CopyTo(FileHandle from, const FileFacts& source, const FilePlace& destination,
                   bool allowOverwrite, bool throughLink) {
  if (destination.refusal != 0) return Failed(destination.refusal);
  OpenedPlace place;
  const std::uint32_t error = OpenPlace(destination, place);
  const CopyOutcome outcome =
      error == 0 ? CopyInto(from, source, place, allowOverwrite, throughLink) : Failed(error);
  ClosePlace(place, outcome.kind != CopyOutcome::kCopied);
  return outcome;
}

CopyOutcome SourceFailure(std::uint32_t error) {
  return IsNotFound(error) ? CopyOutcome{CopyOutcome::kSourceMissing, 0} : Failed(error);
}

}  // namespace

FilePlace DesktopPlace(const WideText& path) {
  FilePlace place;
  WideText name;
  place.refusal = SplitDesktopPath(path, place.root, name);
  if (place.refusal == 0) place.names.push_back(name);
  return place;
}

FilePlace DesktopPlace(const std::string& path) { return DesktopPlace(WideFromSystemText(path)); }

CopyOutcome CopyWholeFile(const FilePlace& source, const FilePlace& destination,
                          bool allowOverwrite) {
  // A destination that names no file is refused before anything is read.
  if (source.refusal != 0) return Failed(source.refusal);
  if (destination.refusal != 0) return Failed(destination.refusal);
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
