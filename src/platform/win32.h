// The Win32 surface the program is written against. On Windows this is the
// real <windows.h>; elsewhere it is a small set of stand-ins with the same
// names and signatures. Nothing else in the tree includes <windows.h>.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/win32_linux.h"
#endif
