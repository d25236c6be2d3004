// Where the sync manager registers its database filters, under
// HKEY_LOCAL_MACHINE: for a file extension, the class of the filter of each
// direction ("DefaultImport", "DefaultExport"); for a filter class, the
// library that serves it.
#pragma once

// The key of an extension's filters: this, then the extension (".mdb").
constexpr char kFiltersKey[] = "SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\";
// The key of a filter class's library: this, the class, then kServerKey.
constexpr char kClassesKey[] = "SOFTWARE\\Classes\\CLSID\\";
constexpr char kServerKey[] = "\\InProcServer32";
