// Where the sync manager registers its database filters, read only from
// HKEY_LOCAL_MACHINE. Each lookup opens, reads and closes its key afresh.
#pragma once

#include <string>

// The class identifier registered under
// SOFTWARE\Microsoft\Windows CE Services\Filters\<extension> in the value
// `valueName` ("DefaultImport" or "DefaultExport"); empty when the key or
// the value is missing or the data takes 100 bytes or more.
std::string GetFilterClsid(std::string extension, std::string valueName);

// The library registered as the default value of
// SOFTWARE\Classes\CLSID\<clsid>\InProcServer32, exactly as stored; empty
// when it is missing or takes 100 bytes or more.
std::string GetFilterServerPath(std::string clsid);
