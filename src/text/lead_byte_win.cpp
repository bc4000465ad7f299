// Windows build: lead bytes of the system's ANSI code page.
#include <windows.h>

#include "text/mbcs.h"

namespace zelk::text {

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

}  // namespace zelk::text
