// What the program and the filters it calls agree on: where the sync
// manager registers its database filters, under HKEY_LOCAL_MACHINE (for a
// file extension, the class of the filter of each direction; for a filter
// class, the library that serves it), how much of a registered value is
// read, and the statuses both the program and the folder filter know.
#pragma once

#include <cstddef>
#include <cstdint>

// The key of an extension's filters: this, then the extension (".mdb").
constexpr char kFiltersKey[] = "SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\";
// The key of a filter class's library: this, the class, then kServerKey.
constexpr char kClassesKey[] = "SOFTWARE\\Classes\\CLSID\\";
constexpr char kServerKey[] = "\\InProcServer32";

// The class the folder filter registers, and an install names, for both
// directions.
constexpr char kFolderFilterClsid[] = "{4D4F5256-0003-4153-4B00-464F4C444552}";

// The values of an extension's key that name the filter class of /D2P
// (the .mdb key) and of /P2D (the .cdb key).
constexpr char kDesktopToDeviceValue[] = "DefaultImport";
constexpr char kDeviceToDesktopValue[] = "DefaultExport";

// A registered value is read into this many bytes, its ending zero
// included: a longer one is not read at all.
constexpr std::size_t kRegisteredValueBytes = 100;

// Statuses a filter returns for a database that is missing or already
// there.
constexpr std::uint32_t kDatabaseDoesNotExist = 0x800A0F0Bu;
constexpr std::uint32_t kDatabaseAlreadyExists = 0x800A0F0Cu;
