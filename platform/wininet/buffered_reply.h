// Both backends read a reply in full before HttpSendRequestA returns; these hand it out as
// InternetReadFile and HttpQueryInfoA do.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/wininet/wininet.h"

// Copies up to toRead body bytes from offset on into buffer and moves offset past them; their
// count (0 at the end).
inline DWORD CopyBodyBytes(const std::string& body, std::size_t& offset, void* buffer,
                           DWORD toRead) {
  std::size_t count = std::min<std::size_t>(toRead, body.size() - offset);
  if (count > 0) std::memcpy(buffer, body.data() + offset, count);
  offset += count;
  return static_cast<DWORD>(count);
}

// Copies raw and a terminating NUL into buffer and sets *length to raw's length; false, with
// *length the size needed, when they do not fit.
inline bool CopyRawHeaders(const std::string& raw, void* buffer, DWORD* length) {
  if (!buffer || raw.size() + 1 > *length) {
    *length = static_cast<DWORD>(raw.size() + 1);
    return false;
  }
  std::memcpy(buffer, raw.c_str(), raw.size() + 1);
  *length = static_cast<DWORD>(raw.size());
  return true;
}
