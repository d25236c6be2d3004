// UTF-16 text for the W functions. Traits of its own make it a type of its
// own, compiled in for what the folder filter uses of it, instead of the
// C++ runtime's whole std::wstring (35 KB of the 32-bit library).
#pragma once

#include <string>

#include "platform/win32.h"

struct WideTraits : std::char_traits<WCHAR> {};
using WideText = std::basic_string<WCHAR, WideTraits>;
