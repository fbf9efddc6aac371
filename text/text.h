// Text, ByteSet and TextArray: the value types every other folder works with.
//
// Text holds code page 936 (GBK) bytes without a 0 byte inside; lengths and positions count
// bytes and positions start at 1. A byte 0x80-0xFF starts a double-byte character together with
// the byte after it; "character-wise" operations only try a match where a character starts.
// Every operation returns a new value, leaves its arguments alone and never throws.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

using Text = std::string;
using ByteSet = std::vector<std::uint8_t>;
using TextArray = std::vector<Text>;

// Number of bytes.
int TextLength(const Text& t);

// Position of the first match of s in t at or after byte `start` (omitted or below 1: 1),
// character-wise; -1 when there is none or start lies past the end. An empty s gives 1 when the
// searched range is not empty. ignoreCase makes ASCII letters equal, every other byte exact.
int FindText(const Text& t, const Text& s, std::optional<int> start, bool ignoreCase);

// Position of the last match lying wholly within the first start-1 bytes of t (omitted: all of
// t; start <= 1: -1), otherwise as FindText.
int FindTextReverse(const Text& t, const Text& s, std::optional<int> start, bool ignoreCase);

// Plain byte cuts; they may split a double-byte character. Out-of-range requests give "".
Text TextLeft(const Text& t, int n);
Text TextRight(const Text& t, int n);
Text TextMid(const Text& t, int start, int n);

// Pieces of t between delimiters, character-wise and exact. A leading or doubled delimiter
// gives empty elements; a trailing one adds none. Empty t: no elements; empty delimiter: {t}.
TextArray SplitText(const Text& t, const Text& delimiter);

// Replaces matches of find from byte `start` on (bytes before it are copied), at most `count`
// times (omitted: all), scanning on behind each match. t comes back unchanged when t or find is
// empty, start lies past the end or count is 0. caseSensitive false compares as FindText does.
Text ReplaceText(const Text& t, const Text& find, std::optional<Text> replacement,
                 std::optional<int> start, std::optional<int> count, bool caseSensitive);

// Strips half-width (0x20) and full-width (A1 A1) spaces at both ends; tabs, CR, LF stay.
Text TrimText(const Text& t);

// Only ASCII letters change; both bytes of a double-byte character stay as they are.
Text ToUpper(const Text& t);
Text ToLower(const Text& t);

// Byte-exact prefix test; an empty prefix is always a prefix.
bool TextStartsWith(const Text& t, const Text& prefix);

// One-byte Text (code 0: empty).
Text CharFromCode(std::uint8_t code);

// First byte as a signed 8-bit value; empty Text: 0.
int CharCode(const Text& t);

// n half-width spaces; n < 1: empty.
Text BlankText(int n);

// Leading integer of t after full-width digits, signs and spaces count as ASCII and leading
// white space is skipped; no digits: 0; overflow wraps modulo 2^32.
int TextToInt(const Text& t);
// A real truncated toward zero (out-of-range values give INT_MIN, as the processor does).
int TextToInt(double value);

// "%d" of an int, "%.13g" of a real.
Text NumberToText(int value);
Text NumberToText(double value);

// The low 8 bits.
std::uint8_t ToByte(int value);

// Seeds the random source with seed, or without one from the millisecond tick count plus an
// accumulator so that two seedings within one millisecond still differ.
void SeedRandom(std::optional<int> seed = std::nullopt);

// A uniform draw from lo..hi inclusive (omitted lo: 0, omitted hi: 2147483647; negative bounds
// count as 0; swapped when lo > hi; equal bounds give lo).
int RandomInRange(std::optional<int> lo = std::nullopt, std::optional<int> hi = std::nullopt);

// A Text's bytes, or one byte.
ByteSet TextToBytes(const Text& t);
ByteSet TextToBytes(std::uint8_t byte);

// The bytes before the first 0 byte.
Text BytesToText(const ByteSet& bytes);

int BytesLength(const ByteSet& bytes);

// First min(max(n, 0), count) bytes.
ByteSet BytesLeft(const ByteSet& bytes, int n);

// At most max(n, 0) bytes from offset start-1 clamped into the set (a start below 1 counts as 1).
ByteSet BytesMid(const ByteSet& bytes, int start, int n);

// n zero bytes; n <= 0: empty.
ByteSet BlankBytes(int n);

// All the pieces one after the other.
ByteSet JoinBytes(std::initializer_list<ByteSet> pieces);
