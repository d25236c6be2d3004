#include "app/usage.h"

#include "base/console.h"

namespace {

// The build gives MORVASK_BANNER_VERSION from the project's version number,
// each part in two digits.
const char* const kBannerLines[] = {
    "",
    ("Morvask - version " MORVASK_BANNER_VERSION),
    "Copies one database between this computer and a connected handheld device.",
    "",
};

const char* const kUsageLines[] = {
    "Usage: Morvask [/?] [/D2P] [/P2D] [/D] [/P] [/SY] [{/T}] [/O]",
    "",
    "[/?] Display usage. ",
    "[/D2P] Copy .mdb file from the desktop to the device as a .cdb file",
    "[/P2D] Copy .cdb file from the device to desktop as a .mdb file",
    "[/D <filename>] Desktop file",
    "[/P <filename>] Device file",
    "[/SY] Keep tables in sync",
    "[/T <table name>] Specific table to copy",
    "[/O] Allow overwrite",
    "",
};

}  // namespace

void PrintBanner() {
  for (const char* line : kBannerLines) WriteLine(stderr, line);
}

void PrintUsage() {
  for (const char* line : kUsageLines) WriteLine(stderr, line);
}
