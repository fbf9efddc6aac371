// The stored form of the account password in the settings file, and the digest and hexadecimal
// helpers it is built from.
//
// Stored form of an n-byte password: 2n upper-case hexadecimal digits (each byte xored with one
// fixed byte) followed by a 9-character tag derived from the key text by MD5. This is a file
// format: values written by earlier runs must keep reading back. It hides the password from a
// casual look; it is not encryption.
#pragma once

#include "text/text.h"

// The key text both the settings reader and the submission pass.
inline constexpr char kPasswordKeyText[] = "83vakum";

// The stored form of password under keyText. Should the digest fail, the hexadecimal part alone.
Text ScramblePassword(const Text& password, const Text& keyText);

// The password back from its stored form, or the empty Text when stored does not end in the tag
// of keyText (another key, edited by hand, shorter than the tag, digest unavailable).
Text UnscramblePassword(const Text& stored, const Text& keyText);

// MD5 of data as 32 hexadecimal digits, lower case unless upperCase; middle16 gives digits 9 to 24
// alone. Empty when the digest is unavailable.
Text HashHex(const ByteSet& data, bool upperCase = false, bool middle16 = false);

// Upper-case hexadecimal of the digest of data by algorithm (a CryptoAPI ALG_ID such as
// CALG_MD5 = 0x8003) whose value has digestLength bytes. Empty on any failure.
Text DigestHex(const ByteSet& data, int algorithm, int digestLength);

// Two upper-case hexadecimal digits per byte, in order; empty for an empty set.
Text BytesToHex(const ByteSet& bytes);

// One byte per pair of characters read as "%x" reads it: the low 8 bits of the value, no byte for
// a pair that yields none (say "G1"), "4G" gives 4; a last odd character is ignored.
ByteSet HexToBytes(const Text& text);
