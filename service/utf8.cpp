#include "service/utf8.h"

#include <cstdint>

namespace step_service {

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    int length;
    uint32_t code;
    uint32_t smallest;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, smallest = 0x10000;
    } else {
      return false;
    }
    if (bytes.size() - i < static_cast<size_t>(length)) return false;
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace step_service
