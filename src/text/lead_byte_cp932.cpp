// Native build: the program's texts are Shift-JIS (code page 932).
#include "text/mbcs.h"

namespace zelk::text {

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace zelk::text
