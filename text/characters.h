// Character boundaries in GBK text, shared by the text operations.
#pragma once

#include <cstddef>
#include <string>

// True for a byte that starts a double-byte character (0x80-0xFF).
inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Bytes taken by the character that starts at index i (a lead byte swallows the next byte).
inline std::size_t CharWidth(const std::string& t, std::size_t i) { return IsLeadByte(t[i]) ? 2 : 1; }
