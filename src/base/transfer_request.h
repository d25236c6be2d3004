// The settings of one run, as the command line gives them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TransferDirection {
  None = 0,             // no direction option given
  DesktopToDevice = 1,  // "/D2P"
  DeviceToDesktop = 2,  // "/P2D"
};

// Filled once by ParseCommandLine, then only read. Text fields are never
// null: an empty string is a value that was not given.
struct TransferRequest {
  TransferDirection direction = TransferDirection::None;
  std::string desktopFile;
  std::string deviceFile;
  std::vector<std::string> tableNames;
  std::string tableList;  // every table name followed by ".."
  std::int32_t syncTables = 0;
  std::int32_t allowOverwrite = 0;
  // "/D", "/P" or "/T" when a name given with it did not reach the program
  // as typed (the system's code page cannot hold it): such a request is not
  // run, since no file of that name could be meant.
  std::string notAsTyped;
};
