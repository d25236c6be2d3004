// The code page stand-in: strings are UTF-8 here, where no byte starts a
// double-byte character.
#include "platform/win32.h"

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }
